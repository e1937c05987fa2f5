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
wine=
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then
    wine=$(command -v "$candidate")
    break
  fi
done
if [ -z "$wine" ]; then
  echo "test-windows: Wine not found (packages wine64 and wine)" >&2
  exit 1
fi

flags=(-std=c++17 -O1 -Wall -Wextra -Werror -I"$here/src")
standin=$out/standin
rm -rf "$standin" "$out/scratch"
mkdir -p "$out/obj" "$standin"

# The test program beside the stand-ins, on the two cores.
"$cxx" "${flags[@]}" -static -o "$out/windows_test.exe" \
  "$here/tests/windows/windows_test.cpp" "$here/src/platform/hamlog_dll_win.cpp" \
  "$here/src/platform/durable_file_win.cpp" "$here/src/platform/ansi_code_page_win.cpp" \
  "$here/src/platform/partner_process_win.cpp" &
test_build=$!
"$cxx" "${flags[@]}" -c "$here/tests/windows/standin/hamlog_standin.cpp" -o "$out/obj/hamlog_standin.o"
# The stand-in partner program the process watch starts.
"$cxx" "${flags[@]}" -static -o "$out/partner_standin.exe" "$here/tests/windows/standin/partner_standin.cpp" -lshell32

# Links a stand-in library: dll VARIANT LIBRARY EXPORT... (an export may be "public=internal").
dll() {
  local variant=$1 library=$2
  shift 2
  mkdir -p "$standin/$variant"
  { echo "LIBRARY $library"; echo "EXPORTS"; printf '  %s\n' "$@"; } >"$out/obj/$variant-$library.def"
  "$cxx" -shared -static -s -o "$standin/$variant/$library" "$out/obj/hamlog_standin.o" "$out/obj/$variant-$library.def"
}
main_exports=(GetThdllVersion HamlogOpen THW_append HamlogClose)
dll full Hamlog50.dll "${main_exports[@]}"
dll full Thdll2Vb.dll SetThBuffer
# The stdcall-decorated names a 32-bit build of the libraries carries.
dll decorated Hamlog50.dll _GetThdllVersion@0=GetThdllVersion _HamlogOpen@16=HamlogOpen \
  _THW_append@12=THW_append _HamlogClose@8=HamlogClose
dll decorated Thdll2Vb.dll _SetThBuffer@12=SetThBuffer
for missing in "${main_exports[@]}"; do
  kept=()
  for f in "${main_exports[@]}"; do [ "$f" = "$missing" ] || kept+=("$f"); done
  dll "without-$missing" Hamlog50.dll "${kept[@]}"
  cp "$standin/full/Thdll2Vb.dll" "$standin/without-$missing/"
done
dll without-SetThBuffer Thdll2Vb.dll DllMain
cp "$standin/full/Hamlog50.dll" "$standin/without-SetThBuffer/"
mkdir -p "$standin/without-Thdll2Vb" "$standin/empty"
cp "$standin/full/Hamlog50.dll" "$standin/without-Thdll2Vb/"
wait "$test_build"

# A Japanese locale gives Wine the ANSI code page 932, and a UTF-8 one Japanese file names; the
# locale is compiled into the build tree when the system lacks it.
if ! LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null | grep -qx UTF-8; then
  if [ ! -d "$out/locale/ja_JP.UTF-8" ]; then
    mkdir -p "$out/locale"
    localedef -i ja_JP -f UTF-8 "$out/locale/ja_JP.UTF-8" >/dev/null 2>&1 ||
      { echo "test-windows: cannot compile the ja_JP.UTF-8 locale (package locales)" >&2; exit 1; }
  fi
  export LOCPATH=$out/locale
fi
# A prefix of our own under the build tree.
export WINEPREFIX=$out/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
stop_wine() { WINEPREFIX=$out/wineprefix "${wine%/*}/wineserver" -k >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: first start of Wine in $WINEPREFIX"
  env LC_ALL=ja_JP.UTF-8 timeout 300 "$wine" wineboot --init >/dev/null 2>&1 || true
fi
echo "test-windows: running under $("$wine" --version 2>/dev/null || echo Wine)"
env LC_ALL=ja_JP.UTF-8 timeout 300 "$wine" "$out/windows_test.exe"
