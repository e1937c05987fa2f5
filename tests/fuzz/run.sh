#!/usr/bin/env bash
# Builds every libFuzzer target (clang, its own build folder) and runs each for SECONDS (default
# 60), starting from the corpus kept in the build folder and the committed seeds. Prints for each
# target the executions, the coverage (cov and ft of libFuzzer's final status line) and the
# findings, which are kept under <build>/findings/<target>/. Exits non-zero on any finding.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]   e.g. tests/fuzz/run.sh 20 settings_file
#   VELKOR_FUZZ_BUILD_DIR   build folder (default build-fuzz)
#   VELKOR_QT_MAJOR         Qt to build with (default 6)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
shift || true
build=${VELKOR_FUZZ_BUILD_DIR:-$here/build-fuzz}
qt=${VELKOR_QT_MAJOR:-6}

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in "$here"/tests/fuzz/fuzz_*.cpp; do
    n=$(basename "$f" .cpp)
    targets+=("${n#fuzz_}")
  done
fi

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVELKOR_QT_MAJOR="$qt" -DVELKOR_FUZZ=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LC_ALL=C.UTF-8 LANG=C.UTF-8
# The harnesses that read files write one per input; memory keeps that off the disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

summary=()
failed=0
for name in "${targets[@]}"; do
  corpus=$build/corpus/$name
  findings=$build/findings/$name
  log=$build/fuzz-$name.log
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  echo "== fuzz_$name for ${seconds} s"
  status=0
  "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$here/tests/fuzz/seeds/$name" >"$log" 2>&1 || status=$?

  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+.* cov: ' "$log" | tail -n 1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
          -o -name 'oom-*' \) | wc -l)
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
    found=1 # stopped by something that left no input behind; the log says what
  fi
  if [ "$found" -ne 0 ]; then
    failed=1
    grep -E 'ERROR|fuzz check failed|runtime error' "$log" | head -n 5 || true
    echo "   log: $log"
  fi
  summary+=("$(printf '%-22s %12s %7s %8s %9s' "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$found")")
done

echo
printf '%-22s %12s %7s %8s %9s\n' target executions cov ft findings
printf '%s\n' "${summary[@]}"
if [ "$failed" -ne 0 ]; then
  echo "findings kept under $build/findings/"
  exit 1
fi
