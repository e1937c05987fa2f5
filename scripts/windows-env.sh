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

# find_wine [ARCH]: prints the Wine loader for programs of ARCH (default i686: Debian's "wine",
# which runs 32-bit programs through wine32:i386; x86_64: wine64).
find_wine() {
  local candidate candidates=(wine /usr/lib/wine/wine)
  [ "${1:-i686}" = x86_64 ] && candidates=(wine64 /usr/lib/wine/wine64 wine)
  for candidate in "${candidates[@]}"; do
    if command -v "$candidate" >/dev/null 2>&1; then
      command -v "$candidate"
      return 0
    fi
  done
  echo "Wine not found (packages wine, wine64 and wine32:i386)" >&2
  return 1
}

# runs_32bit: whether this machine runs 32-bit programs, which Wine's 32-bit side needs. Some
# kernels run 64-bit programs only (no IA-32 emulation): wine32:i386 installs there, but its
# loader fails with "Exec format error".
runs_32bit() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }

# windows_run_arch: the build whose Windows programs are run under Wine here: i686, what users
# install, or, on a machine that runs no 32-bit programs, x86_64 (said on stderr), so that the
# program is still run end to end. VELKOR_WINDOWS_RUN_ARCH chooses.
windows_run_arch() {
  if [ -n "${VELKOR_WINDOWS_RUN_ARCH:-}" ]; then
    echo "$VELKOR_WINDOWS_RUN_ARCH"
  elif runs_32bit; then
    echo i686
  else
    echo "this machine runs no 32-bit programs (a kernel without IA-32 emulation): the Windows" \
      "programs are run as their x86_64 build instead" >&2
    echo x86_64
  fi
}

# wine_environment OUT [ARCH]: a Wine prefix of our own under OUT, in a Japanese locale, which gives Wine
# the ANSI code page 932 (and UTF-8 file names); the locale is compiled under OUT when the system
# lacks it. Exports what Wine reads; sets $wine.
wine_environment() {
  local out=$1
  wine=$(find_wine "${2:-i686}")
  if ! LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null | grep -qx UTF-8; then
    if [ ! -d "$out/locale/ja_JP.UTF-8" ]; then
      mkdir -p "$out/locale"
      localedef -i ja_JP -f UTF-8 "$out/locale/ja_JP.UTF-8" >/dev/null 2>&1 ||
        { echo "cannot compile the ja_JP.UTF-8 locale (package locales)" >&2; return 1; }
    fi
    export LOCPATH=$out/locale
  fi
  export LC_ALL=ja_JP.UTF-8
  export WINEPREFIX=$out/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "first start of Wine in $WINEPREFIX" >&2
    timeout 300 "$wine" wineboot --init >/dev/null 2>&1 || true
  fi
  wine_fonts
}

# Japanese text in a sans-serif face, as a Japanese Windows draws its windows: Wine would take a
# serif fallback, wider than Windows' own interface fonts, and the window tests measure text.
# Checked in the registry every time rather than remembered by a marker: a value lost or never
# written must not leave the tests drawing with the fallback. The font list is read whole before
# it is searched; "fc-list | grep -q" under pipefail fails whenever grep stops reading first.
wine_fonts() {
  local face fonts key='HKCU\Software\Wine\Fonts\Replacements'
  fonts=$(fc-list : family 2>/dev/null || true)
  if [[ $fonts != *"Noto Sans CJK JP"* ]] && [ ! -f /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc ]; then
    echo "wine_fonts: Noto Sans CJK JP is not installed (fonts-noto-cjk); Wine draws with its fallback" >&2
    return 0
  fi
  "$wine" reg query "$key" /v "MS UI Gothic" 2>/dev/null | grep -a "Noto Sans CJK JP" >/dev/null && return 0
  for face in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Segoe UI" "Meiryo UI" \
              "Yu Gothic UI" "MS Gothic" "MS PGothic"; do
    "$wine" reg add "$key" /v "$face" /d "Noto Sans CJK JP" /f >/dev/null 2>&1 || true
  done
  if "$wine" reg query "$key" /v "MS UI Gothic" 2>/dev/null | grep -a "Noto Sans CJK JP" >/dev/null; then
    echo "wine_fonts: Windows' interface faces drawn with Noto Sans CJK JP" >&2
  else
    echo "wine_fonts: could not set Wine's font replacements in $WINEPREFIX" >&2
    return 1
  fi
}

stop_wine() { "${wine%/*}/wineserver" -k >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true; }

# build_standins OUT CXX: the project's stand-ins of HAMLOG's libraries (OUT/standin/<variant>/,
# each recording every call) and of a partner program (OUT/partner_standin.exe). With a 32-bit
# compiler the libraries are what HAMLOG's are: 32-bit, their __stdcall functions exported under
# the plain names ("full") or the decorated ones ("decorated": _HamlogOpen@16).
build_standins() {
  standin_out=$1 standin_cxx=$2 standin=$1/standin
  local out=$1 cxx=$2 flags=(-std=c++17 -O1 -Wall -Wextra -Werror -I"$here/src")
  rm -rf "$standin"
  mkdir -p "$out/obj" "$standin"
  "$cxx" "${flags[@]}" -c "$here/tests/windows/standin/hamlog_standin.cpp" -o "$out/obj/hamlog_standin.o"
  # A windowed program, as the real partners are: a console one would get a console window.
  "$cxx" "${flags[@]}" -static -mwindows -o "$out/partner_standin.exe" "$here/tests/windows/standin/partner_standin.cpp" -lshell32 -lws2_32
  # The 32-bit compiler names a __stdcall function after its argument bytes (HamlogOpen@16).
  declare -gA standin_stdcall_bytes=([GetThdllVersion]=0 [HamlogOpen]=16 [SetThBuffer]=12
                                     [THW_append]=12 [HamlogClose]=8 [DllMain]=12)
  standin_stdcall=no
  [[ $(basename "$cxx") == i686-* ]] && standin_stdcall=yes
  # standin_dll VARIANT LIBRARY EXPORT... (an export may be "public=function").
  standin_dll() {
    local variant=$1 library=$2 entry public function out=$standin_out cxx=$standin_cxx
    shift 2
    mkdir -p "$standin/$variant"
    {
      echo "LIBRARY $library"
      echo "EXPORTS"
      for entry in "$@"; do
        public=${entry%%=*}
        function=${entry#*=}
        if [ "$standin_stdcall" = yes ]; then
          echo "  $public=$function@${standin_stdcall_bytes[$function]}"
        else
          echo "  $entry"
        fi
      done
    } >"$out/obj/$variant-$library.def"
    "$cxx" -shared -static -s -o "$standin/$variant/$library" "$out/obj/hamlog_standin.o" "$out/obj/$variant-$library.def"
  }
  standin_dll full Hamlog50.dll GetThdllVersion HamlogOpen THW_append HamlogClose
  standin_dll full Thdll2Vb.dll SetThBuffer
  standin_dll decorated Hamlog50.dll _GetThdllVersion@0=GetThdllVersion _HamlogOpen@16=HamlogOpen \
    _THW_append@12=THW_append _HamlogClose@8=HamlogClose
  standin_dll decorated Thdll2Vb.dll _SetThBuffer@12=SetThBuffer
}
