# Shared by the Windows build scripts (sourced, not run).
# mingw_bin_dir ARCH: a folder whose <triple>-gcc/g++/... are the "-posix" thread-model compilers
# (the default "-win32" variant has no std::thread, which Qt needs), printed for PATH.
mingw_bin_dir() {
  local arch=$1 triple=$1-w64-mingw32
  local dir=${VELKOR_MINGW_WRAPPERS:-${XDG_CACHE_HOME:-$HOME/.cache}/velkor/mingw-posix}/$arch
  if [ ! -x "/usr/bin/$triple-g++-posix" ]; then
    bash "$here/scripts/deps.sh" "g++-mingw-w64-${arch/_/-}" >&2
  fi
  mkdir -p "$dir"
  local tool
  for tool in gcc g++ c++ cpp gcc-ar gcc-nm gcc-ranlib; do
    ln -sf "/usr/bin/$triple-$tool-posix" "$dir/$triple-$tool"
  done
  for tool in ar nm ranlib windres strip objdump objcopy ld dlltool; do
    [ -x "/usr/bin/$triple-$tool" ] && ln -sf "/usr/bin/$triple-$tool" "$dir/$triple-$tool"
  done
  echo "$dir"
}

# Lets apt fetch source packages: a deb-src entry beside each deb entry.
enable_deb_src() {
  local sources=/etc/apt/sources.list.d/debian.sources
  if [ -f "$sources" ] && ! grep -q '^Types:.*deb-src' "$sources"; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    apt-get update -qq >&2
  elif [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list &&
       ! grep -q '^deb-src ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/velkor-deb-src.list
    apt-get update -qq >&2
  fi
}
