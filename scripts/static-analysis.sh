#!/usr/bin/env bash
# Static analysis of VELKOR's own code (src/ and tools/): clang-tidy with the checks in .clang-tidy
# and cppcheck. Prints every finding and exits non-zero when there is any. Suppressions live beside
# the code (NOLINT..., cppcheck-suppress ...) or in scripts/cppcheck-suppressions.txt, each with
# its reason.
#   VELKOR_TIDY_BUILD_DIR   a configured Qt 6 build whose compile_commands.json is used
#                           (default build-test-qt6; configured here when missing)
#   VELKOR_TIDY_JOBS        parallel clang-tidy processes (default 2)
# Arguments, when given, limit clang-tidy to those source files.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKOR_TIDY_BUILD_DIR:-$here/build-test-qt6}
jobs=${VELKOR_TIDY_JOBS:-2}
bash "$here/scripts/deps.sh" clang-tidy cppcheck

tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
if [ -z "$tidy" ] || ! command -v cppcheck >/dev/null; then
  echo "static-analysis: clang-tidy and cppcheck are needed (bash scripts/deps.sh clang-tidy cppcheck)" >&2
  exit 2
fi

# The compile database; configuring also writes the generated headers the sources include.
if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKOR_QT_MAJOR=6 \
        -DBUILD_TESTING=ON >/dev/null
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Every source of src/ and tools/ the build compiles on this system. Generated moc files live in
# the build and are left out.
if [ $# -gt 0 ]; then
  printf '%s\n' "$@" | while read -r f; do readlink -f "$f"; done >"$out/files"
else
  # CMake writes every "file" as an absolute path.
  sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
    grep -E "^$here/(src|tools)/" | sort -u >"$out/files" || true
fi
echo "clang-tidy: $(wc -l <"$out/files") files, $jobs at a time"
xargs -a "$out/files" -P "$jobs" -n 4 "$tidy" -p "$build" --quiet \
      --header-filter="^$here/(src|tools)/" 2>/dev/null >"$out/tidy.raw" || true
# The Qt-free Windows code is not in the Linux build: it is checked as the 32-bit MinGW compiler
# sees it, with that compiler's own headers (the *_win.cpp files that need Qt get cppcheck only).
mingw=${MINGW_CXX:-i686-w64-mingw32-g++}
if [ $# -eq 0 ] && command -v "$mingw" >/dev/null; then
  winFiles=("$here"/src/platform/{hamlog_dll,durable_file,partner_process,ansi_code_page,standard_streams}_win.cpp)
  echo "clang-tidy: ${#winFiles[@]} Windows files for ${mingw%-g++}"
  mapfile -t winIncludes < <("$mingw" -std=c++17 -E -v -x c++ /dev/null 2>&1 |
    sed -n '/#include <...> search starts here:/,/End of search list./s/^ \(.*\)/-isystem\n\1/p')
  "$tidy" --quiet --header-filter="^$here/(src|tools)/" "${winFiles[@]}" -- \
      --target="$(basename "${mingw%-g++}")" -nostdinc -nostdinc++ "${winIncludes[@]}" \
      -std=c++17 -I"$here/src" 2>/dev/null >>"$out/tidy.raw" || true
fi
# Headers are reported once per including file; sort -u folds them together.
grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' "$out/tidy.raw" | sort -u >"$out/tidy" || true
# Print each finding with its context lines for the reader.
if [ -s "$out/tidy" ]; then
  cat "$out/tidy.raw"
fi

echo "cppcheck: src/ tools/"
cppcheck --std=c++17 --library=qt --enable=warning,performance,portability,style \
         --inline-suppr --suppressions-list="$here/scripts/cppcheck-suppressions.txt" \
         --quiet -j "$jobs" -I "$here/src" -I "$build/src/generated" \
         --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
         "$here/src" "$here/tools" 2>"$out/cppcheck" || true

tidyCount=$(wc -l <"$out/tidy")
cppcheckCount=$(grep -c ': \(error\|warning\|style\|performance\|portability\|information\):' "$out/cppcheck" || true)
cat "$out/cppcheck"
echo "static-analysis: clang-tidy $tidyCount, cppcheck $cppcheckCount finding(s)"
[ "$tidyCount" -eq 0 ] && [ "$cppcheckCount" -eq 0 ]
