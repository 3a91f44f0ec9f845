#!/usr/bin/env bash
# Builds the parsers natively with libFuzzer and the sanitizers, runs every fuzzer and prints one
# line per fuzzer: executions, speed, coverage, corpus size and findings.
#   scripts/fuzz.sh BUILD --build-only       builds and stops
#   scripts/fuzz.sh BUILD --seconds N        each fuzzer runs N seconds (the test run's smoke)
#   scripts/fuzz.sh BUILD [--runs N]         each fuzzer runs N inputs (default 10 million), at
#                                            most FUZZ_MAX_SECONDS (default 1800) seconds, two
#                                            at a time; then the layout corpus, with a sample of
#                                            all the layout fuzzer tried, is replayed through
#                                            real windows under Wine
# The corpora grow in BUILD/fuzz/corpus, started from the seeds in fuzz/seeds; an input that
# breaks a fuzzer is saved in BUILD/fuzz/findings and fails the run. The inputs in
# fuzz/regressions, each once a finding, are run first every time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: fuzz.sh BUILD [--build-only | --seconds N | --runs N]}
mode=${2:---runs}
amount=${3:-10000000}
out="$build/fuzz"

sources=$("$root/scripts/fuzz-sources.sh")
cmake -S "$root/fuzz" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSEL_FUZZ_SOURCES="$sources" >/dev/null
cmake --build "$out" -j 2 >"$out/build.log" 2>&1 || {
  cat "$out/build.log" >&2
  exit 1
}
[ "$mode" = "--build-only" ] && exit 0

case "$mode" in
  --seconds) limits=(-max_total_time="$amount") parallel=1 ;;
  --runs)
    limits=(-runs="$amount" -max_total_time="${FUZZ_MAX_SECONDS:-1800}") parallel=2
    samples="$out/samples"
    rm -rf "$samples"
    mkdir -p "$samples"
    export TESSEL_FUZZ_SAMPLES="$samples"
    ;;
  *)
    echo "fuzz.sh: unknown mode $mode" >&2
    exit 2
    ;;
esac

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1
mkdir -p "$out/findings"
rm -f "$out"/*.status

# Runs one fuzzer: its regressions, then the corpus; the verdict goes to NAME.status.
run_one() {
  local name=$1 corpus="$out/corpus/$1" log="$out/$1.log" status=0 options=()
  mkdir -p "$corpus"
  : >"$log"
  [ -f "$root/fuzz/$name.dict" ] && options+=(-dict="$root/fuzz/$name.dict")
  if [ -d "$root/fuzz/regressions/$name" ]; then
    "$out/fuzz_$name" "$root/fuzz/regressions/$name"/* >>"$log" 2>&1 || status=1
  fi
  if [ "$status" = 0 ]; then
    "$out/fuzz_$name" "${limits[@]}" "${options[@]}" -rss_limit_mb=2048 -timeout=5 -print_final_stats=1 \
      -artifact_prefix="$out/findings/$name-" "$corpus" "$root/fuzz/seeds/$name" >>"$log" 2>&1 ||
      status=1
  fi
  echo "$status" >"$out/$name.status"
}

names=$(cat "$out/fuzzers.txt")
running=0
for name in $names; do
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

failed=0
printf '%-14s %12s %8s %9s %7s %s\n' fuzzer executions exec/s coverage corpus findings
for name in $names; do
  log="$out/$name.log"
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -n1)
  rate=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log" | tail -n1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
  size=$(find "$out/corpus/$name" -type f | wc -l)
  if [ "$(cat "$out/$name.status")" = 0 ]; then
    verdict=none
  else
    verdict="FOUND: $log"
    failed=1
  fi
  printf '%-14s %12s %8s %9s %7s %s\n' "$name" "${runs:-0}" "${rate:-0}" "${cov:-0}" "$size" "$verdict"
done
if [ "$mode" = "--runs" ]; then
  "$root/scripts/test-session.sh" "$build" python3 "$root/scripts/replay-layouts.py" "$build" \
    "$root/fuzz/seeds/xml" "$root/fuzz/regressions/xml" "$out/corpus/xml" "$samples" --workers 2 ||
    failed=1
fi
exit "$failed"
