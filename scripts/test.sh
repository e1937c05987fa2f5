#!/usr/bin/env bash
# Installs what is missing, builds VELKOR with its tests and runs the whole test suite.
#   VELKOR_QT_MAJOR=5|6   Qt version to build with (default 6)
#   VELKOR_SANITIZE=ON    AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
qt=${VELKOR_QT_MAJOR:-6}
san=${VELKOR_SANITIZE:-OFF}
build=${VELKOR_BUILD_DIR:-$here/build-test-qt$qt$([ "$san" = ON ] && echo -asan || true)}

bash "$here/scripts/deps.sh"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DVELKOR_QT_MAJOR="$qt" -DVELKOR_SANITIZE="$san" -DBUILD_TESTING=ON
cmake --build "$build" -j2

# The code that calls HAMLOG's 32-bit Windows libraries is kept free of Qt; compiling it with
# MinGW here keeps it from rotting unseen.
if [ -x "$here/scripts/check-win32.sh" ]; then
  bash "$here/scripts/check-win32.sh"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j2
