#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds each, one after
# the other. The committed seeds are read from fuzz/corpus/<target>; what the fuzzer finds
# goes to <build>/corpus/<target>, crashes to <build>/artifacts/. Prints one line per
# target and fails on the first target that finds a fault.
set -uo pipefail
build=$1
seconds=$2
shift 2
targets=("$@")
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$build" && pwd)
mkdir -p "$build/artifacts" "$build/logs"

status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/artifacts/$target-")
  dict="$here/${target%_fuzzer}.dict"
  [ -f "$dict" ] && options+=(-dict="$dict")
  log="$build/logs/$target.log"
  "$build/fuzz/$target" "${options[@]}" "$corpus" "$here/corpus/${target%_fuzzer}" >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ $result -eq 0 ]; then
    echo "$target: ${runs:-?} runs in ${seconds} s (${rate:-?}/s), no fault found"
  else
    echo "$target: FAILED (exit $result); log $log"
    tail -n 40 "$log"
    ls "$build/artifacts/$target-"* 2>/dev/null
    status=1
  fi
done
exit $status
