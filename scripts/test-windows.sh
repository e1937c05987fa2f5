#!/usr/bin/env bash
# Builds the Qt-free Windows code, the project's stand-in HAMLOG libraries and the Windows test for
# 32-bit Windows with MinGW, as HAMLOG's libraries are, and runs the test under Wine's 32-bit side
# (on a machine that runs no 32-bit programs, the x86_64 build instead: scripts/windows-env.sh,
# windows_run_arch). Exit status non-zero when anything fails.
#   VELKOR_WINDOWS_BUILD_DIR   where to build (default build-windows beside the sources)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${VELKOR_WINDOWS_BUILD_DIR:-$here/build-windows}
bash "$here/scripts/deps.sh" wine wine64 wine32:i386 locales
# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"
arch=$(windows_run_arch)
bash "$here/scripts/deps.sh" "g++-mingw-w64-${arch/_/-}"
cxx=${MINGW_CXX:-$arch-w64-mingw32-g++}
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

# Where only the x86_64 build runs, the 32-bit one is still built, and its stand-ins must export
# the names HAMLOG's 32-bit libraries carry.
if [ "$arch" != i686 ]; then
  bash "$here/scripts/deps.sh" g++-mingw-w64-i686
  mkdir -p "$out/i686"
  i686-w64-mingw32-g++ "${flags[@]}" -static -o "$out/i686/windows_test.exe" \
    "$here/tests/windows/windows_test.cpp" "$here/src/platform/hamlog_dll_win.cpp" \
    "$here/src/platform/durable_file_win.cpp" "$here/src/platform/ansi_code_page_win.cpp" \
    "$here/src/platform/partner_process_win.cpp"
  build_standins "$out/i686" i686-w64-mingw32-g++
  exports() { i686-w64-mingw32-objdump -p "$out/i686/standin/$1" | sed -n '/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' '; }
  [ "$(exports full/Hamlog50.dll)" = "GetThdllVersion HamlogClose HamlogOpen THW_append " ] &&
    [ "$(exports decorated/Hamlog50.dll)" = "_GetThdllVersion@0 _HamlogClose@8 _HamlogOpen@16 _THW_append@12 " ] &&
    [ "$(exports decorated/Thdll2Vb.dll)" = "_SetThBuffer@12 " ] ||
    { echo "test-windows: the 32-bit stand-ins export other names" >&2; exit 1; }
  echo "test-windows: the 32-bit build and its stand-ins were built, not run"
fi
unset DISPLAY WAYLAND_DISPLAY
wine_environment "$out" "$arch"
trap stop_wine EXIT
echo "test-windows: $arch build, under $("$wine" --version 2>/dev/null || echo Wine)"
timeout 300 "$wine" "$out/windows_test.exe"
