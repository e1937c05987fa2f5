#!/usr/bin/env bash
# Compiles the Qt-free Windows code (the calls into HAMLOG's 32-bit libraries, durable appends, the start of
# partner programs) with MinGW, so that it keeps building even though the regular builds never compile it.
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
  "$here"/src/platform/partner_process_win.cpp; do
  "$cxx" -std=c++17 -Wall -Wextra -Werror -I"$here/src" -c "$src" -o "$out/$(basename "$src" .cpp).o"
done
echo "check-win32: ok"
