#!/usr/bin/env bash
# Builds Qt 5.15's qtbase for Windows with MinGW-w64 from Debian's source package, once per
# architecture, and caches it outside the checkout. Prints the installed prefix on its last line.
#   build-qt-windows.sh i686|x86_64 [--if-cached]   (--if-cached: exit 3 instead of building)
#   VELKOR_QT_WINDOWS_CACHE   where the builds are kept (default ~/.cache/velkor/qt-windows)
# The cache key holds the Qt version, the configure options and the compiler version, so a change
# to any of them builds anew and an unchanged one is reused (CI on the same machine included).
set -euo pipefail
arch=${1:?usage: build-qt-windows.sh i686|x86_64 [--if-cached]}
if_cached=${2:-}
case $arch in i686|x86_64) ;; *) echo "build-qt-windows: unknown architecture $arch" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${VELKOR_QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velkor/qt-windows}
triple=$arch-w64-mingw32
jobs=${VELKOR_JOBS:-2}

# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"
mingw_bin_dir "$arch" >/dev/null

# Debian's tarball leaves out src/3rdparty/wintab, so tablet support is switched off; without it
# the Windows platform plugin does not build. SQL, XML and the rest are not used by VELKOR.
options=(-xplatform win32-g++ -device-option "CROSS_COMPILE=$triple-" -release -shared
         -opensource -confirm-license -nomake examples -nomake tests -no-opengl -no-direct2d
         -no-dbus -no-icu -no-openssl -no-freetype -no-libjpeg -no-gif -qt-zlib -qt-pcre
         -qt-libpng -qt-harfbuzz -no-feature-sql -no-feature-xml -no-feature-concurrent
         -no-feature-printer -no-feature-tabletevent)

src_root=$cache/src
qt_source() {
  # The source package's version, fetched once through apt (deb-src beside the deb entries).
  local dir
  dir=$(find "$src_root" -maxdepth 1 -type d -name 'qtbase-opensource-src-5.15*' 2>/dev/null | sort | tail -n1)
  if [ -z "$dir" ] || [ ! -f "$dir/configure" ]; then
    enable_deb_src
    bash "$here/scripts/deps.sh" dpkg-dev >&2
    mkdir -p "$src_root"
    (cd "$src_root" && apt-get source -qq qtbase-opensource-src >&2)
    dir=$(find "$src_root" -maxdepth 1 -type d -name 'qtbase-opensource-src-5.15*' | sort | tail -n1)
  fi
  [ -f "$dir/configure" ] || { echo "build-qt-windows: no Qt source in $src_root" >&2; exit 1; }
  echo "$dir"
}


source_dir=$(qt_source)
version=$(basename "$source_dir" | sed 's/^qtbase-opensource-src-//')
compiler=$("$(mingw_bin_dir "$arch")/$triple-g++" -dumpfullversion)
key=$(printf '%s\n' "$version" "$compiler" "${options[@]}" | sha256sum | cut -c1-12)
prefix=$cache/qt-$version-$arch-$key
if [ -f "$prefix/.complete" ]; then
  echo "build-qt-windows: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

if [ "$if_cached" = --if-cached ]; then
  echo "build-qt-windows: Qt for $arch is not cached" >&2
  exit 3
fi
echo "build-qt-windows: building Qt $version for $arch into $prefix (about 20 minutes on 2 cores)" >&2
work=$cache/build-$arch-$key
rm -rf "$work" "$prefix"
mkdir -p "$work"
start=$(date +%s)
(
  cd "$work"
  export PATH="$(mingw_bin_dir "$arch"):$PATH"
  "$source_dir/configure" -prefix "$prefix" "${options[@]}" >configure.log 2>&1 ||
    { tail -n 40 configure.log >&2; exit 1; }
  make -j"$jobs" >build.log 2>&1 || { grep -m 20 -B 2 -A 8 'error' build.log >&2; tail -n 20 build.log >&2; exit 1; }
  make install >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
)
rm -rf "$work"
touch "$prefix/.complete"
echo "build-qt-windows: Qt for $arch built in $(( $(date +%s) - start )) s" >&2
echo "$prefix"
