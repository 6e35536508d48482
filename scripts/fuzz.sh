#!/usr/bin/env bash
# Coverage-guided fuzzing of every parser of outside input (fuzz/), natively with
# Debian's clang, libFuzzer and the address and undefined-behaviour sanitizers.
#
#   scripts/fuzz.sh [SECONDS]           each target in turn for SECONDS (default 60)
#   scripts/fuzz.sh --quick [SECONDS]   replay every corpus, then each target for
#                                       SECONDS (default 3): the test command's run
#
# QR_FUZZ_TARGETS="role http_request" picks targets; QR_FUZZ_RUNS=N also ends a
# target after N inputs.  New inputs that reach new code go to the build tree's
# corpus ($QR_BUILD_DIR/fuzz/corpus; the seeds and regression inputs in
# fuzz/corpus stay as they are); what a target finds goes to
# $QR_BUILD_DIR/fuzz/findings.  Prints per target: inputs run, inputs per
# second, coverage (edges, features) and findings; exits 1 when any was found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QR_BUILD_DIR:-$root/build}/fuzz
quick=""
if [ "${1:-}" = "--quick" ]; then
  quick=1
  shift
fi
seconds=${1:-$([ -n "$quick" ] && echo 3 || echo 60)}
case "$seconds" in ''|*[!0-9]*) echo "fuzz.sh: SECONDS must be a number" >&2; exit 2 ;; esac
targets=${QR_FUZZ_TARGETS:-"http_request ad_server_list version_file boot_report name_lists counter_text role command_line web_address"}

"$root/scripts/deps.sh"
if [ ! -f "$out/CMakeCache.txt" ]; then
  CXX=clang++ cmake -S "$root/fuzz" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$out" -j "$(nproc)" >"$out/build.log" 2>&1 || { cat "$out/build.log"; exit 1; }
mkdir -p "$out/findings" "$out/logs"

status=0
if [ -n "$quick" ]; then
  # Every seed and every input a finding left behind, once each.
  for target in $targets; do
    inputs=("$root/fuzz/corpus/$target"/*)
    if ! "$out/fuzz_$target" -timeout=1 "${inputs[@]}" >"$out/logs/$target.replay.txt" 2>&1; then
      echo "replay of fuzz/corpus/$target FAILED:"
      grep -E "PROPERTY|ERROR|Running" "$out/logs/$target.replay.txt" | tail -n 5
      status=1
    fi
  done
  echo "replayed the corpora of: $targets"
fi

printf '%-16s %12s %10s %22s %9s\n' target inputs inputs/s "coverage (edges/ft)" findings
for target in $targets; do
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  log="$out/logs/$target.txt"
  before=$(find "$out/findings" -name "$target-*" | wc -l)
  dict=()
  [ -f "$root/fuzz/dict/$target.dict" ] && dict=(-dict="$root/fuzz/dict/$target.dict")
  runs=()
  [ -n "${QR_FUZZ_RUNS:-}" ] && runs=(-runs="$QR_FUZZ_RUNS")
  # A hang guard well above any run: the target's own -max_total_time ends it.
  rc=0
  timeout $((seconds + 120)) "$out/fuzz_$target" -max_total_time="$seconds" "${runs[@]}" -timeout=1 \
    -rss_limit_mb=2048 -print_final_stats=1 "${dict[@]}" -artifact_prefix="$out/findings/$target-" \
    "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || rc=$?
  # The last status line: "#N ... cov: C ft: F ... exec/s: R".
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  inputs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  [ -n "$inputs" ] || inputs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
  rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  [ -n "$rate" ] || rate=$(sed -nE 's/.*exec\/s: ([0-9]+).*/\1/p' <<<"$last")
  cov=$(sed -nE 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1\/\2/p' <<<"$last")
  found=$(( $(find "$out/findings" -name "$target-*" | wc -l) - before ))
  printf '%-16s %12s %10s %22s %9s\n' "$target" "${inputs:-?}" "${rate:-?}" "${cov:-?}" "$found"
  if [ "$rc" -ne 0 ] || [ "$found" -gt 0 ]; then
    status=1
    grep -E "PROPERTY FAILED|ERROR: |SUMMARY|detail" "$log" | head -n 4 | sed 's/^/    /'
    echo "    log: $log"
  fi
done
[ $status -eq 0 ] && echo "no findings" || echo "FINDINGS: see $out/findings and the logs"
exit $status
