#!/usr/bin/env bash
# The benchmark: instructions (valgrind callgrind) and peak memory (/usr/bin/time -v)
# of a full set_config run (-u -e -i -w -d) beside the floor, a program doing only
# the same file input and output, on two generated workloads.
# Usage: bench/run.sh [--check] [BUILD_FOLDER]   (default build/bench)
# --check only runs the tool once on each workload and fails when a run fails.
# Without it, the figures are followed by each goal and whether it is met: the
# instructions at most 1.15 times the floor's for the typical run and 1.5 times
# for the worst, the typical run's peak memory at most the floor's plus 64 KiB.
set -euo pipefail
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
build=$(cd "${1:-build/bench}" && pwd)
tool=$build/set_config
floor=$build/bench/io_floor
workload=$build/bench/workload
for program in "$tool" "$floor" "$workload"; do
  [ -x "$program" ] || { echo "missing $program: run cmake --workflow --preset bench first" >&2; exit 2; }
done

instructions() {  # the instructions valgrind counts for one run of "$@"
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
peak_kib() {  # the peak resident memory of "$@", in KiB: the median of 7 runs, as it varies run to run
  for _ in 1 2 3 4 5 6 7; do
    cp pristine img
    /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): \([0-9]*\).*/\1/p'
  done | sort -n | sed -n 4p
}
run_tool() { cp pristine img; "$@" "$tool" -u img -e env -i cfg -w wlan.bin -d dect.bin; }
run_floor() { cp pristine img; "$@" "$floor" img env cfg wlan.bin dect.bin; }

goal_ratio() { case $1 in typical) echo 1.15 ;; worst) echo 1.5 ;; esac; }
goals=""

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ $check = 1 ] || printf '%-8s %12s %12s %6s %10s %10s\n' workload tool_instr floor_instr ratio tool_kib floor_kib
for name in typical worst; do
  mkdir -p "$work/$name"
  "$workload" "$name" "$work/$name"
  cd "$work/$name"
  cp img pristine
  run_tool >/dev/null || { echo "$name: the tool failed on its workload" >&2; exit 1; }
  if [ $check = 0 ]; then
    tool_i=$(run_tool instructions)
    floor_i=$(run_floor instructions)
    tool_m=$(run_tool peak_kib)
    floor_m=$(run_floor peak_kib)
    ratio=$(awk -v a="$tool_i" -v b="$floor_i" 'BEGIN { printf "%.3f", a / b }')
    printf '%-8s %12s %12s %6s %10s %10s\n' "$name" "$tool_i" "$floor_i" "$ratio" "$tool_m" "$floor_m"
    goal=$(goal_ratio "$name")
    met=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g ? "met" : "not met") }')
    goals+=$(printf '%s: %s times the floor, goal at most %s: %s' "$name" "$ratio" "$goal" "$met")$'\n'
    if [ "$name" = typical ]; then
      met=$([ "$tool_m" -le $((floor_m + 64)) ] && echo met || echo "not met")
      goals+=$(printf '%s: peak %s KiB, goal at most the floor'"'"'s %s + 64: %s' "$name" "$tool_m" "$floor_m" "$met")$'\n'
    fi
  fi
done
if [ $check = 0 ]; then printf '\n%s' "$goals"; else echo "the tool runs on both workloads"; fi
