#!/usr/bin/env bash
# The demo, as a terminal session: an example partition image, set_config on it
# with the example config, environment and calibration files, show_config
# reading it back, a second run refused; then a summary of what was written.
# Exits non-zero when anything differs from what the summary says.
#   examples/demo.sh TOOLS_DIR EXAMPLES_DIR WORK_DIR
set -u
tools=$(cd "$1" && pwd)
examples=$(cd "$2" && pwd)
work=$3
export PATH="$tools:$PATH"

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
cp "$examples"/{config.txt,environment.txt,wlan_cal.bin,dect_cal.bin} .

# Prints a command as typed, runs it, prints its exit status; returns that status.
run() {
  printf '\n$ %s\n' "$*"
  "$@"
  local status=$?
  printf '(exit status %d)\n' "$status"
  return "$status"
}

fail() {
  printf '\ndemo: %s\n' "$*"
  exit 1
}

run make_example_image partition.img || fail "make_example_image failed"
run show_config -u partition.img || fail "show_config failed"
run set_config -u partition.img -i config.txt -e environment.txt -w wlan_cal.bin -d dect_cal.bin ||
  fail "set_config failed"
run show_config -u partition.img -w wlan_out.bin -d dect_out.bin | tee listing.txt
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "show_config failed"
cp partition.img written.img
run set_config -u partition.img -i config.txt -e environment.txt
second=$?

# The summary, checked against what the partition holds.
records=$(sed -n 's/^# record at \(0x[0-9a-f]*\): \([A-Z]*\), version 2, length \([0-9]*\)$/\2 record at \1: a 4-byte header and \3 payload bytes/p' listing.txt)
[ "$(grep -c 'payload bytes' <<< "$records")" -eq 2 ] || fail "show_config does not list the two records"
cmp -s wlan_cal.bin wlan_out.bin && cmp -s dect_cal.bin dect_out.bin || fail "a payload read back differs"
[ "$second" -eq 243 ] || fail "the second run exited $second, not 243"
cmp -s partition.img written.img || fail "the second run changed the image"

printf '\nSummary\n'
printf -- '- config block written at 0x580: 1020 bytes, read back above as a config file\n'
while read -r line; do printf -- '- %s\n' "$line"; done <<< "$records"
printf -- '- the payloads read back equal wlan_cal.bin (%d bytes) and dect_cal.bin (%d bytes)\n' \
  "$(wc -c < wlan_cal.bin)" "$(wc -c < dect_cal.bin)"
printf -- '- the second run was refused with 243 and left partition.img unchanged\n'
printf -- '- the files are in %s\n' "$work"
