#!/usr/bin/env bash
# Fuzzing of hostile input (tests/fuzz): builds the libFuzzer programs with
# clang, AddressSanitizer and UndefinedBehaviorSanitizer into build/fuzz and
# runs each over its kept corpus (tests/fuzz/corpus/<target>).
#
#   scripts/fuzz.sh short            each target for 25 s, one after the other
#   scripts/fuzz.sh long [seconds]   each target for that long (600), two at once
#   scripts/fuzz.sh merge            folds the inputs the runs found into the kept
#                                    corpus, minimised (libFuzzer -merge=1)
#
# Any finding (sanitizer report, broken expectation, crash, an input that runs
# over 10 s, a leak) makes the exit code non-zero; the input that shows it is
# kept in build/fuzz/findings/<target>/ and the run's output in build/fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(link_reports_fuzz pairing_search_fuzz emulator_fuzz)
build=build/fuzz
kept=tests/fuzz/corpus
short_seconds=25
long_seconds=600
per_input_timeout=10
max_len=4096
# AddressSanitizer keeps a little memory for every thread that ever ran, and
# the link's target starts one per register read: some 1 GB after ten minutes.
rss_limit_mb=4096

usage() {
  sed -n '5,9p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
}

mode=${1:-}
case "$mode" in
  short) seconds=$short_seconds; at_once=1 ;;
  long) seconds=${2:-$long_seconds}; at_once=2 ;;
  merge) ;;
  *) usage ;;
esac

build_programs() {
  local flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  cmake -S . -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVELK_FUZZ=ON -DVELK_WINE_E2E=OFF >/dev/null
  cmake --build "$build" --target fuzz_programs -j 2
}

# One target for $seconds; new inputs go to build/fuzz/corpus/<target>.
run_target() {
  local target=$1
  mkdir -p "$build/corpus/$target" "$build/findings/$target" "$build/logs" "$kept/$target"
  local log="$build/logs/$target.log"
  # The inputs of past findings run first, with the kept corpus.
  local regressions=()
  [ -d "tests/fuzz/regressions/$target" ] && regressions=("tests/fuzz/regressions/$target")
  local status=0
  UBSAN_OPTIONS=print_stacktrace=1 "$build/bin/$target" \
    -max_total_time="$seconds" -timeout="$per_input_timeout" -max_len="$max_len" \
    -rss_limit_mb="$rss_limit_mb" \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$kept/$target" "${regressions[@]}" >"$log" 2>&1 || status=$?
  local done_line executed
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
  executed=$(sed -n 's/^stat::number_of_executed_units: //p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    printf '%-22s %ss, %s runs  %s\n' "$target" "$seconds" "${executed:-?}" \
      "$(sed -E 's/^#[0-9]+[[:space:]]+DONE[[:space:]]+//' <<<"$done_line")"
  else
    printf '%-22s FINDING (exit %s); input in %s, output in %s:\n' "$target" "$status" \
      "$build/findings/$target/" "$log"
    grep -E 'ERROR|fuzz finding|runtime error|SUMMARY|Test unit written' "$log" | head -20
  fi
  return "$status"
}

merge_target() {
  local target=$1
  local merged="$build/merged/$target"
  rm -rf "$merged"
  mkdir -p "$merged" "$kept/$target" "$build/corpus/$target"
  "$build/bin/$target" -merge=1 -max_len="$max_len" "$merged" "$kept/$target" \
    "$build/corpus/$target" >"$build/logs/$target.merge.log" 2>&1
  rm -rf "${kept:?}/$target"
  mkdir -p "$kept/$target"
  cp "$merged"/* "$kept/$target/" 2>/dev/null || true
  echo "$target: $(ls "$kept/$target" | wc -l) inputs kept"
}

build_programs
mkdir -p "$build/logs"
if [ "$mode" = merge ]; then
  for target in "${targets[@]}"; do merge_target "$target"; done
  exit 0
fi

failed=0
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$at_once" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
if [ "$failed" -ne 0 ]; then
  echo "fuzzing: findings above" >&2
  exit 1
fi
echo "fuzzing: no findings"
