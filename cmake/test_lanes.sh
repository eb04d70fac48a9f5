#!/usr/bin/env bash
# Runs the test configurations (workflow presets) in lanes side by side, one
# configuration after another in each lane, so that the machine's cores stay
# busy where one configuration leaves them idle (its configure step, a long
# test at its end, the device lab's boots). Each configuration's output goes
# to build/logs/NAME.log; a line says when each one passed or failed and how
# long it took, and a failed one's log is printed at the end. Exits 0 only
# when every configuration passed.
#   cmake/test_lanes.sh "LANE" ["LANE" ...]   (a lane: names separated by blanks)
set -u
source=$(cd "$(dirname "$0")/.." && pwd)
logs=$source/build/logs
mkdir -p "$logs"
rm -f "$logs"/*.failed

run_lane() {
  for workflow in $1; do
    started=$(date +%s)
    if cmake --workflow --preset "$workflow" > "$logs/$workflow.log" 2>&1; then
      echo "-- ==== $workflow passed in $(($(date +%s) - started)) s"
    else
      echo "-- ==== $workflow FAILED after $(($(date +%s) - started)) s (build/logs/$workflow.log)"
      touch "$logs/$workflow.failed"
      return 1
    fi
  done
}

cd "$source"
began=$(date +%s)
pids=()
for lane in "$@"; do
  run_lane "$lane" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
for failed in "$logs"/*.failed; do
  [ -e "$failed" ] || continue
  name=$(basename "$failed" .failed)
  echo "---- the end of build/logs/$name.log:"
  tail -n 60 "$logs/$name.log"
done
echo "-- all lanes took $(($(date +%s) - began)) s"
exit $status
