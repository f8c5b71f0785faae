#!/usr/bin/env bash
# Fuzzes each deliverable in turn from the seed corpus, at the lowest CPU
# priority, one core at a time.
#
# usage: fuzz/run_fuzzers.sh [--parallel] BUILD_DIR SECONDS [hobeta|screens|extra]...
#
# --parallel runs the fuzzers side by side (one core each) instead of in turn.
# BUILD_DIR is a build configured with -DKORVEL_FUZZ=ON (clang); the fuzzers
# and the seeds are built first. New inputs collect in BUILD_DIR/fuzz/corpus/NAME
# (kept between runs); a crash, leak or sanitizer report stops the run, leaves
# the input in BUILD_DIR/fuzz/artifacts/NAME/ and makes the script fail.
set -euo pipefail

parallel=false
if [ "${1:-}" = "--parallel" ]; then
  parallel=true
  shift
fi
if [ $# -lt 2 ]; then
  echo "usage: $0 [--parallel] BUILD_DIR SECONDS [hobeta|screens|extra]..." >&2
  exit 2
fi
build=$1
seconds=$2
shift 2
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(hobeta screens extra)
source_dir=$(cd "$(dirname "$0")" && pwd)

cmake --build "$build" --target fuzz_seeds >/dev/null

# Fuzzes one deliverable; prints a summary and fails on any finding.
fuzz_one() {
  local name=$1
  local corpus=$build/fuzz/corpus/$name
  local artifacts=$build/fuzz/artifacts/$name
  local log=$build/fuzz/$name.log
  mkdir -p "$corpus" "$artifacts"
  local inputs=("$corpus" "$build/fuzz/seeds")
  [ -d "$source_dir/regressions" ] && inputs+=("$source_dir/regressions")
  # korvel_extra reads files up to 16 MiB; 147488 holds its largest
  # snapshot, and longer inputs only slow the mutations down.
  local max_len=65553
  [ "$name" = extra ] && max_len=147488
  # Quick inputs are chosen for mutation more often than slow ones (a
  # recording of a whole screen takes ~10 ms a run): several times the
  # executions and more edges in the same time, at the cost of runs that
  # -seed cannot repeat exactly.
  local start=$SECONDS result
  echo "fuzzing korvel_$name for $seconds s (log: $log)"
  if nice -n 19 "$build/fuzz/korvel_fuzz_$name" \
      -max_total_time="$seconds" -dict="$source_dir/korvel.dict" -max_len="$max_len" \
      -timeout=30 -rss_limit_mb=3072 -print_final_stats=1 -entropic_scale_per_exec_time=1 \
      -artifact_prefix="$artifacts/" "${inputs[@]}" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    grep -E "ERROR|SUMMARY|Test unit written" "$log" || tail -20 "$log"
  fi
  grep -E "^#[0-9]+" "$log" | tail -1 || true
  grep -E "stat::number_of_executed_units" "$log" || true
  echo "korvel_$name: $result after $((SECONDS - start)) s"
  [ "$result" = ok ]
}

status=0
if $parallel; then
  pids=()
  for name in "${names[@]}"; do
    fuzz_one "$name" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
else
  for name in "${names[@]}"; do fuzz_one "$name" || status=1; done
fi
exit $status
