#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs each and prints one table of every target: the
# figure, its baseline measured in the same run, the ratio and whether the target holds.
# Each program's full output is kept in $build/bench-output.txt.
# Arguments are passed to every benchmark. Exits non-zero when a benchmark fails or a target
# is missed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$here/build-bench}
mkdir -p "$build"
if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&
       cmake --build "$build" -j2; } >"$build/bench-build.log" 2>&1; then
  cat "$build/bench-build.log" >&2
  exit 2
fi

details=$build/bench-output.txt
: >"$details"
failed=()
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name" >>"$details"
  echo "running $name ..." >&2
  "$b" "$@" >>"$details" 2>&1 || failed+=("$name")
done

# RESULT name | figure | baseline | ratio | target | holds
grep '^RESULT ' "$details" | sed 's/^RESULT //' | awk -F' [|] ' '
  { for (i = 1; i <= 6; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
  END {
    split("Benchmark|Figure|Baseline (same run)|Ratio|Target|Result", head, "|")
    for (i = 1; i <= 6; i++) if (length(head[i]) > w[i]) w[i] = length(head[i])
    line = "|"; rule = "|"
    for (i = 1; i <= 6; i++) {
      line = line sprintf(" %-*s |", w[i], head[i])
      dash = ""; for (j = 0; j < w[i]; j++) dash = dash "-"
      rule = rule " " dash " |"
    }
    print line; print rule
    for (r = 1; r <= NR; r++) {
      line = "|"
      for (i = 1; i <= 6; i++) line = line sprintf(" %-*s |", w[i], cell[r, i])
      print line
    }
  }'
echo
echo "Full output: $details"

status=0
if [ ${#failed[@]} -gt 0 ]; then
  echo "Benchmarks that failed: ${failed[*]}"
  status=1
fi
if grep -q '^RESULT .*| MISSED$' "$details"; then
  echo "Targets missed: $(grep -c '^RESULT .*| MISSED$' "$details")"
  status=1
fi
exit $status
