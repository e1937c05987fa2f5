#!/usr/bin/env bash
# Builds VELKOR for Windows and writes the portable zip users install:
#   dist/VELKOR-<version>-win32.zip   i686 (HAMLOG's libraries are 32-bit, so only a 32-bit
#                                     VELKOR can load them)
# A 64-bit build is made only on request (VELKOR_WINDOWS_ARCHES=x86_64); its zip,
# dist/VELKOR-<version>-win64.zip, cannot load HAMLOG's libraries and is not for users.
# Qt 5.15 (qtbase) is built from Debian's source package and cached outside the checkout
# (scripts/build-qt-windows.sh), SQLite from Debian's source package likewise.
#   VELKOR_WINDOWS_ARCHES   the architectures to build (default "i686")
#   VELKOR_WINDOWS_TESTS=ON also build the test programs, run under Wine by
#                           scripts/test-windows-program.sh
#   VELKOR_WINDOWS_OUT      build folders and dist/ (default build-win beside the sources)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${VELKOR_WINDOWS_OUT:-$here/build-win}
arches=${VELKOR_WINDOWS_ARCHES:-i686}
cache=${VELKOR_QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velkor/qt-windows}
tests=${VELKOR_WINDOWS_TESTS:-OFF}

bash "$here/scripts/deps.sh" g++-mingw-w64-i686 g++-mingw-w64-x86-64 dpkg-dev tcl zip \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 qttranslations5-l10n fp-utils
[ "$tests" = ON ] && bash "$here/scripts/deps.sh" wine wine64 wine32:i386
# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"

version=$(sed -n 's/^project(VELKOR VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
mkdir -p "$out/dist"

# SQLite's amalgamation from Debian's source package, made once (it needs tclsh), then a static
# library per architecture.
sqlite_amalgamation() {
  local root=$cache/sqlite src dir
  dir=$(find "$root" -maxdepth 2 -name sqlite3.c -path '*/amalgamation/*' 2>/dev/null | head -n1)
  if [ -n "$dir" ]; then dirname "$dir"; return; fi
  enable_deb_src
  mkdir -p "$root"
  (cd "$root" && apt-get source -qq sqlite3 >&2)
  src=$(find "$root" -maxdepth 1 -type d -name 'sqlite3-3*' | sort | tail -n1)
  mkdir -p "$src/amalgamation"
  (cd "$src/amalgamation" && ../configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null) >&2 ||
    { echo "build-windows: cannot make SQLite's amalgamation" >&2; exit 1; }
  echo "$src/amalgamation"
}

sqlite_library() {
  local arch=$1 amalgamation lib
  amalgamation=$(sqlite_amalgamation)
  lib=$cache/sqlite/$arch
  if [ ! -f "$lib/libsqlite3.a" ]; then
    mkdir -p "$lib"
    cp "$amalgamation/sqlite3.h" "$lib/"
    "/usr/bin/$arch-w64-mingw32-gcc-posix" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
      -c "$amalgamation/sqlite3.c" -o "$lib/sqlite3.o"
    "/usr/bin/$arch-w64-mingw32-ar" rcs "$lib/libsqlite3.a" "$lib/sqlite3.o"
    rm -f "$lib/sqlite3.o"
  fi
  echo "$lib"
}

# The DLLs a program file imports, by name.
imports() { "/usr/bin/$1-w64-mingw32-objdump" -p "$2" | sed -n 's/^\s*DLL Name: //p'; }

build_arch() {
  local arch=$1 qt sqlite build stage zipname
  local started=$SECONDS
  qt=$(bash "$here/scripts/build-qt-windows.sh" "$arch" | tail -n1)
  sqlite=$(sqlite_library "$arch")
  build=$out/$arch
  local with_tests=OFF emulator=()
  if [ "$tests" = ON ]; then
    with_tests=ON
    emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR="$(find_wine "$arch")")
  fi
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/mingw-$arch.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DVELKOR_QT_MAJOR=5 -DBUILD_TESTING="$with_tests" "${emulator[@]}" \
    -DSQLite3_INCLUDE_DIR="$sqlite" -DSQLite3_LIBRARY="$sqlite/libsqlite3.a" >"$out/cmake-$arch.log" ||
    { cat "$out/cmake-$arch.log" >&2; exit 1; }
  cmake --build "$build" -j"${VELKOR_JOBS:-2}" --target velkor velkor-cli velkor-demo-partner velkor_help
  if [ "$with_tests" = ON ]; then
    cmake --build "$build" -j"${VELKOR_JOBS:-2}"
  fi

  # The portable folder: the programs, the Qt and MinGW libraries and plugins they use, Japanese
  # translations of Qt's standard dialogs, the help and the first steps.
  local bits=32
  [ "$arch" = x86_64 ] && bits=64
  zipname=VELKOR-$version-win$bits
  stage=$out/stage/$zipname
  rm -rf "$stage"
  mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
  cp "$build/bin/velkor.exe" "$build/bin/velkor-cli.exe" "$build/bin/velkor-demo-partner.exe" "$stage/"
  cp "$build/bin/VELKOR.html" "$build/bin/velkor.css" "$stage/"
  [ -f "$build/bin/VELKOR.chm" ] && cp "$build/bin/VELKOR.chm" "$stage/"
  iconv -f UTF-8 -t CP932 "$here/share/windows/README.txt" | sed "s/$/\r/" >"$stage/README.txt"
  for dll in Qt5Core Qt5Gui Qt5Widgets Qt5Network; do cp "$qt/bin/$dll.dll" "$stage/"; done
  cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
  cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
  cp /usr/share/qt5/translations/qtbase_ja.qm "$stage/translations/"
  local gccdir runtime
  gccdir=$(dirname "$("/usr/bin/$arch-w64-mingw32-g++-posix" -print-libgcc-file-name)")
  for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll; do
    [ -f "$gccdir/$runtime" ] && cp "$gccdir/$runtime" "$stage/"
  done
  cp "/usr/$arch-w64-mingw32/lib/libwinpthread-1.dll" "$stage/"
  "/usr/bin/$arch-w64-mingw32-strip" --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

  check_imports "$arch" "$stage"
  check_hamlog_names "$arch" "$stage/velkor.exe"
  check_hamlog_names "$arch" "$stage/velkor-cli.exe"
  rm -f "$out/dist/$zipname.zip"
  (cd "$out/stage" && zip -qr9 "$out/dist/$zipname.zip" "$zipname")
  echo "build-windows: $out/dist/$zipname.zip ($(( $(stat -c %s "$out/dist/$zipname.zip") / 1024 )) KiB, $(( SECONDS - started )) s)"
}

# Every DLL that a program file or library in the folder imports is in the folder or is part of
# Windows itself; anything else would fail on the user's machine with a missing-DLL error.
check_imports() {
  local arch=$1 stage=$2 file dll bad=0
  local system='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|ws2_32|winmm|imm32|uxtheme|dwmapi|netapi32|userenv|version|iphlpapi|crypt32|secur32|dnsapi|wtsapi32|setupapi|mpr|msvcrt|shlwapi|comctl32|winspool\.drv|rpcrt4|hhctrl\.ocx|d3d11|d3d9|dxgi|api-ms-win-[a-z0-9-]+)\.dll$'
  while IFS= read -r -d '' file; do
    while IFS= read -r dll; do
      if [ -f "$stage/$dll" ] || grep -Eiq "$system" <<<"$dll" || grep -Eiq "$system" <<<"$dll.dll"; then
        continue
      fi
      echo "build-windows: $(basename "$file") imports $dll, which is neither in the zip nor part of Windows" >&2
      bad=1
    done < <(imports "$arch" "$file")
  done < <(find "$stage" -name '*.exe' -print0 -o -name '*.dll' -print0)
  [ "$bad" = 0 ] || exit 1
  echo "build-windows: $arch: every import is in the zip or in Windows"
}

# HAMLOG's libraries are loaded at the first append, never imported: a missing library must fail
# the append with its name, not the start. The program looks each function up by its plain name,
# then by the stdcall-decorated one a 32-bit build of the libraries exports (the names and argument
# sizes are those the stand-in libraries of scripts/test-windows.sh export, which
# scripts/check-win32.sh matches with the 32-bit compiler's decoration).
check_hamlog_names() {
  local arch=$1 file=$2 name texts
  if imports "$arch" "$file" | grep -Eiq '^(hamlog50|thdll2vb)\.dll$'; then
    echo "build-windows: $(basename "$file") imports a HAMLOG library" >&2
    exit 1
  fi
  texts=$(strings -a "$file")
  for name in Hamlog50.dll Thdll2Vb.dll GetThdllVersion HamlogOpen SetThBuffer THW_append HamlogClose '_%s@%d'; do
    if ! grep -Fq -- "$name" <<<"$texts"; then
      echo "build-windows: $(basename "$file") does not look up $name" >&2
      exit 1
    fi
  done
}

for arch in $arches; do
  build_arch "$arch"
done
