#!/bin/sh
# The device lab's guest: runs as init on the emulated board, with the static
# tools in /lab, the example files in /lab/examples and the flash modules in
# /modules. Each scenario runs the tools on a real kernel MTD device and
# compares its flash contents before and after. Prints one line per scenario,
# then the result line that the host looks for, and powers the board off.
. /lab/boot.sh
passed=0
failed=0

# The example partition image, as the tests and the demo use it.
$tools/make_example_image example.img >/dev/null
cp $examples/config.txt cfg
cp $examples/environment.txt env
cp $examples/wlan_cal.bin wlan
cp $examples/dect_cal.bin dect
# An environment whose traced look-up prints well over 8 KiB.
i=0
while [ $i -lt 400 ]; do echo "filler$i some value"; i=$((i + 1)); done > bigenv
cat env >> bigenv

note() { echo "    $*"; }

# Waits for the device node $1 to appear.
wait_node() {
  n=0
  while [ ! -e "$1" ] && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
  [ -e "$1" ]
}

unload() {
  rmmod nandsim 2>/dev/null
  rmmod nand 2>/dev/null
  rmmod mtdram 2>/dev/null
  n=0
  while [ -e /dev/mtd0 ] && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
}

# A fresh RAM flash of $1 KiB with erase blocks of $2 KiB, all erased, then the
# example image written onto its first 64 KiB as a bootloader partition holds it.
fresh_flash() {
  unload
  insmod /modules/mtdram.ko total_size=$1 erase_size=$2 || return 1
  wait_node /dev/mtd0 || return 1
  dd if=example.img of=/dev/mtd0 bs=4096 2>/dev/null
}

# The whole device into file $1.
dump() { dd if=/dev/mtd0 of="$1" bs=4096 2>/dev/null; }

# Only bytes from 0x580 to 0xDFF differ between dumps $1 and $2.
only_config_area_changed() {
  cmp -l "$1" "$2" | awk '$1 < 1409 || $1 > 3584 { bad = 1 } END { exit bad }'
}

# The dump $1 holds image file $2 in its first 64 KiB and, after that, what
# dump $3 holds.
holds_image() {
  head -c 65536 "$1" > first && cmp -s first "$2" || { note "first 64 KiB differ from the same run on a file"; return 1; }
  tail -c +65537 "$1" > rest1 && tail -c +65537 "$3" > rest2 && cmp -s rest1 rest2 ||
    { note "bytes past 64 KiB changed"; return 1; }
}

# Runs set_config on a copy of the example image with the options $@ (after
# -u): the reference that a device run must equal, byte for byte.
reference() {
  cp example.img ref.img
  $tools/set_config -u ref.img "$@" >/dev/null
}

# set_config on the device: status $1 expected, the rest are its arguments.
expect() {
  want=$1
  shift
  $tools/set_config "$@" > out
  got=$?
  [ $got -eq $want ] || { note "set_config $* exited $got, expected $want:"; sed 's/^/      /' out; return 1; }
}

payloads_read_back() {
  $tools/show_config -u /dev/mtd0 -w w.out -d d.out > shown || { note "show_config failed"; cat shown; return 1; }
  cmp -s w.out wlan && cmp -s d.out dect || { note "payloads read back differ"; return 1; }
}

scenario() {
  name=$1
  shift
  if "$@"; then
    echo "scenario $name: ok"
    passed=$((passed + 1))
  else
    echo "scenario $name: FAILED"
    failed=$((failed + 1))
  fi
}

provision() {
  fresh_flash 1024 64 && dump before &&
    expect 0 -u /dev/mtd0 -i cfg -e env -w wlan -d dect && dump after &&
    reference -i cfg -e env -w wlan -d dect && holds_image after ref.img before &&
    only_config_area_changed before after && payloads_read_back
}

# Right after provision: the areas are in use now.
second_run_refused() {
  expect 243 -u /dev/mtd0 -i cfg -e env && grep -q "ERROR: Config not empty" out && dump again &&
    cmp -s after again
}

# Right after provision: a check (-n) on the read-only node writes nothing; with
# -r and the same command it answers 0, the unit holds exactly that; without -r
# it answers the refusal that a run would meet.
checked_on_the_read_only_node() {
  expect 0 -n -r -u /dev/mtd0ro -i cfg -e env -w wlan -d dect && expect 243 -n -u /dev/mtd0ro -i cfg -e env &&
    dump checked && cmp -s after checked
}

read_only_node_refused() {
  fresh_flash 1024 64 && dump before && expect 244 -u /dev/mtd0ro -w wlan &&
    grep -q "\[write_config\] ERROR: -12" out && dump after && cmp -s before after
}

# Records of both types written at once: whenever both runs succeed, both
# records are there, one behind the other.
racing_runs() {
  round=0
  while [ $round -lt 10 ]; do
    fresh_flash 1024 64 || return 1
    $tools/set_config -u /dev/mtd0 -w wlan > out.w & first=$!
    $tools/set_config -u /dev/mtd0 -d dect > out.d
    b=$?
    wait $first
    a=$?
    [ $a -eq 0 ] && [ $b -eq 0 ] || { note "round $round: statuses $a and $b"; return 1; }
    payloads_read_back || { note "round $round"; return 1; }
    round=$((round + 1))
  done
}

closed_standard_output() {
  fresh_flash 1024 64 && dump before || return 1
  $tools/set_config -l -u /dev/mtd0 -i cfg -e bigenv -w wlan >&-
  status=$?
  [ $status -eq 0 ] || { note "exited $status"; return 1; }
  dump after && reference -i cfg -e bigenv -w wlan && holds_image after ref.img before
}

# devtmpfs has no /dev/stdin: the descriptor's own name serves.
calibration_from_a_pipe() {
  fresh_flash 1024 64 && dump before && cat wlan | expect 0 -u /dev/mtd0 -w /proc/self/fd/0 && dump after &&
    reference -w wlan && holds_image after ref.img before
}

mtdblock_node() {
  fresh_flash 1024 64 && dump before && wait_node /dev/mtdblock0 &&
    expect 0 -u /dev/mtdblock0 -i cfg -e env -w wlan -d dect && dump after &&
    reference -i cfg -e env -w wlan -d dect && holds_image after ref.img before
}

# NAND programs whole pages: the driver refuses the tool's unaligned writes
# and nothing is written.
nand_refused() {
  unload
  insmod /modules/nand.ko && insmod /modules/nandsim.ko && wait_node /dev/mtd0 || return 1
  dd if=example.img of=/dev/mtd0 bs=4096 2>/dev/null
  dd if=/dev/mtd0 of=before bs=4096 count=32 2>/dev/null
  expect 244 -u /dev/mtd0 -i cfg -e env -w wlan && expect 244 -u /dev/mtd0 -i cfg -e env || return 1
  dd if=/dev/mtd0 of=after bs=4096 count=32 2>/dev/null
  cmp -s before after || { note "the NAND device changed"; return 1; }
}

small_erase_blocks() {
  fresh_flash 128 4 && dump before && expect 0 -u /dev/mtd0 -i cfg -e env -w wlan -d dect && dump after &&
    reference -i cfg -e env -w wlan -d dect && holds_image after ref.img before && payloads_read_back
}

echo "device lab: $(uname -m), $(grep -m1 'cpu model' /proc/cpuinfo)"
scenario provision provision
scenario second-run-refused second_run_refused
scenario check-on-the-read-only-node checked_on_the_read_only_node
scenario read-only-node-refused read_only_node_refused
scenario racing-runs racing_runs
scenario closed-standard-output closed_standard_output
scenario calibration-from-a-pipe calibration_from_a_pipe
scenario mtdblock-node mtdblock_node
scenario nand-refused nand_refused
scenario 128KiB-device-4KiB-erase-blocks small_erase_blocks
unload
if [ $failed -eq 0 ]; then
  echo "device lab result: pass, all $passed scenarios"
else
  echo "device lab result: FAIL, $failed of $((passed + failed)) scenarios"
fi
sync
poweroff -f
