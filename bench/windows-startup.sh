#!/usr/bin/env bash
# Start-up of the Windows program under Wine: the time from the start of velkor.exe (from the
# unpacked win32 zip, with its settings and tables in place; the win64 one on a machine that runs
# no 32-bit programs) until its main window shows, against
# a bare Qt window program built the same way and started from the same folder, in one run; and
# the size of each zip. Prints RESULT lines as the other benchmarks do.
#   bench/windows-startup.sh [RUNS]   (default 7; the median of each is compared)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${VELKOR_WINDOWS_OUT:-$here/build-win}
runs=${1:-7}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi
# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"
arch=$(windows_run_arch)
bits=32
[ "$arch" = x86_64 ] && bits=64
zip=$(ls "$out"/dist/VELKOR-*-win$bits.zip | head -n1)
[ -f "$out/$arch/bench/bare_window.exe" ] || cmake --build "$out/$arch" --target bare_window >/dev/null

work=$out/bench-startup
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && unzip -q "$zip")
program=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n1)
cp "$out/$arch/bench/bare_window.exe" "$program/"
cp "$here/share/program/Cty.dat" "$here/share/program/TH_DX.dat" "$program/"
printf '%s\r\n' "ThDbFile=C:\\Hamlog\\Hamlog.hdb" "WsjtVisible=1" >"$program/VELKOR.ini"
"$arch-w64-mingw32-g++-posix" -std=c++17 -O1 -static -o "$work/ui_driver.exe" "$here/tests/windows/e2e/ui_driver.cpp" -lshell32

wine_environment "$out" "$arch"
trap stop_wine EXIT
"${wine%/*}/wineserver" -p 60 # one server for every run, as on a running Windows
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
measure() { "$wine" "$work/ui_driver.exe" launch "$1" 60000 "$(winpath "$program/$2")" | tr -d '\r'; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
measure "bare Qt window" bare_window.exe >/dev/null # warm the file cache and the server
measure "VELKOR   Ver" velkor.exe >/dev/null
velkor=() bare=()
for ((i = 0; i < runs; i++)); do
  bare+=("$(measure "bare Qt window" bare_window.exe)")
  velkor+=("$(measure "VELKOR   Ver" velkor.exe)")
done
v=$(printf '%s\n' "${velkor[@]}" | median)
b=$(printf '%s\n' "${bare[@]}" | median)
ratio=$(awk -v v="$v" -v b="$b" 'BEGIN { printf "%.2f", v / b }')
holds=$(awk -v r="$ratio" 'BEGIN { print (r <= 2.0) ? "holds" : "MISSED" }')
echo "RESULT Windows start-up under Wine to the main window (median of $runs) | $v ms | $b ms (bare Qt window) | ${ratio}x | <= 2.0x baseline | $holds"
for z in "$out"/dist/VELKOR-*.zip; do
  echo "RESULT Zip size: $(basename "$z") | $(( $(stat -c %s "$z") / 1024 )) KiB | - | - | - | -"
done
[ "$holds" = holds ]
