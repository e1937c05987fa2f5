#!/usr/bin/env bash
# Compiles the Qt-free Windows code (the calls into HAMLOG's 32-bit libraries, durable appends, the ANSI code page,
# the start of partner programs) and its Windows test with MinGW for 32-bit Windows, the build HAMLOG's libraries
# need, and checks the stdcall decoration the compiler gives the stand-ins' functions: a quick check beside the
# Linux tests. scripts/test-windows.sh builds the same code and runs it under Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cxx=${MINGW_CXX:-i686-w64-mingw32-g++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "check-win32: $cxx not found (package g++-mingw-w64-i686)" >&2
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for src in "$here"/src/platform/hamlog_dll_win.cpp "$here"/src/platform/durable_file_win.cpp \
           "$here"/src/platform/partner_process_win.cpp "$here"/src/platform/standard_streams_win.cpp \
           "$here"/src/platform/ansi_code_page_win.cpp "$here"/tests/windows/windows_test.cpp \
           "$here"/tests/windows/standin/hamlog_standin.cpp \
           "$here"/tests/windows/standin/partner_standin.cpp; do
  "$cxx" -std=c++17 -Wall -Wextra -Werror -I"$here/src" -c "$src" -o "$out/$(basename "$src" .cpp).o"
done
# The Windows test's stand-in libraries export these stdcall-decorated names (scripts/test-windows.sh); they must be
# the ones a 32-bit compiler gives the functions.
symbols=$("${cxx%g++*}nm" "$out/hamlog_standin.o")
for name in _GetThdllVersion@0 _HamlogOpen@16 _SetThBuffer@12 _THW_append@12 _HamlogClose@8; do
  if ! grep -q " T $name\$" <<<"$symbols"; then
    echo "check-win32: the 32-bit stand-in lacks $name" >&2
    exit 1
  fi
done
echo "check-win32: ok"
