#!/usr/bin/env bash
# Builds the Qt-free Windows code, the project's stand-in HAMLOG libraries and the Windows test for
# x86-64 with MinGW, and runs the test under Wine. Exit status non-zero when anything fails.
# (HAMLOG's real libraries are 32-bit; 32-bit programs cannot run on the build machines, so the
# 32-bit build stays a compile check: scripts/check-win32.sh.)
#   VELKOR_WINDOWS_BUILD_DIR   where to build (default build-windows beside the sources)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${VELKOR_WINDOWS_BUILD_DIR:-$here/build-windows}
cxx=${MINGW64_CXX:-x86_64-w64-mingw32-g++}
bash "$here/scripts/deps.sh" g++-mingw-w64-x86-64 wine64 wine locales

if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "test-windows: $cxx not found (package g++-mingw-w64-x86-64)" >&2
  exit 1
fi
# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"
flags=(-std=c++17 -O1 -Wall -Wextra -Werror -I"$here/src")
standin=$out/standin
rm -rf "$out/scratch"
mkdir -p "$out/obj"

# The test program beside the stand-ins, on the two cores.
"$cxx" "${flags[@]}" -static -o "$out/windows_test.exe" \
  "$here/tests/windows/windows_test.cpp" "$here/src/platform/hamlog_dll_win.cpp" \
  "$here/src/platform/durable_file_win.cpp" "$here/src/platform/ansi_code_page_win.cpp" \
  "$here/src/platform/partner_process_win.cpp" &
test_build=$!
build_standins "$out" "$cxx"
main_exports=(GetThdllVersion HamlogOpen THW_append HamlogClose)
# The stdcall-decorated names a 32-bit build of the libraries carries.
standin_dll decorated Hamlog50.dll _GetThdllVersion@0=GetThdllVersion _HamlogOpen@16=HamlogOpen \
  _THW_append@12=THW_append _HamlogClose@8=HamlogClose
standin_dll decorated Thdll2Vb.dll _SetThBuffer@12=SetThBuffer
for missing in "${main_exports[@]}"; do
  kept=()
  for f in "${main_exports[@]}"; do [ "$f" = "$missing" ] || kept+=("$f"); done
  standin_dll "without-$missing" Hamlog50.dll "${kept[@]}"
  cp "$standin/full/Thdll2Vb.dll" "$standin/without-$missing/"
done
standin_dll without-SetThBuffer Thdll2Vb.dll DllMain
cp "$standin/full/Hamlog50.dll" "$standin/without-SetThBuffer/"
mkdir -p "$standin/without-Thdll2Vb" "$standin/empty"
cp "$standin/full/Hamlog50.dll" "$standin/without-Thdll2Vb/"
wait "$test_build"

unset DISPLAY WAYLAND_DISPLAY
wine_environment "$out"
trap stop_wine EXIT
echo "test-windows: running under $("$wine" --version 2>/dev/null || echo Wine)"
timeout 300 "$wine" "$out/windows_test.exe"
