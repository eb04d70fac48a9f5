#!/bin/sh
# The device lab's guest on the board's NOR flash: runs as init, with the
# static tools in /lab, the example files in /lab/examples and the flash
# modules in /modules. The bootloader partition is /dev/mtd1; the host put the
# example image at its start and keeps the flash in a file across boots. The
# kernel command line names the phase (lab_phase=...):
#   whole   one uninterrupted run, -r with another serial refused on the
#           finished unit, and a check that programming only clears bits
#   cut     the run that the host cuts in the middle of its write
#   resume  after the cut (lab_cut=NAME names it): the interrupted write
#           named, a rerun refused, -r completing it
# Prints its scenario lines and a result line, and powers the board off.
. /lab/boot.sh
phase=$(sed -n 's/.*lab_phase=\([a-z]*\).*/\1/p' /proc/cmdline)
cut=$(sed -n 's/.*lab_cut=\([a-z0-9-]*\).*/\1/p' /proc/cmdline)
run="-u /dev/mtd1 -i $examples/config.txt -e $examples/environment.txt -w $examples/wlan_cal.bin -d $examples/dect_cal.bin"

note() { echo "    $*"; }

finish() {
  echo "flash lab $phase result: $1"
  sync
  poweroff -f
}

for module in cfi_util gen_probe cfi_probe cfi_cmdset_0001 physmap lab_flash; do
  insmod /modules/$module.ko || { note "insmod $module failed"; finish FAIL; }
done
n=0
while [ ! -e /dev/mtd1 ] && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
[ -e /dev/mtd1 ] || { note "no /dev/mtd1"; finish FAIL; }
grep -q '^mtd1: 002e0000 00010000 "lab-bootloader"' /proc/mtd || { note "unexpected partitions:"; cat /proc/mtd; finish FAIL; }

# The partition's first 64 KiB into file $1.
dump() { dd if=/dev/mtd1 of="$1" bs=4096 count=16 2>/dev/null; }

# $1: the tool, $2: the status expected, the rest: its arguments.
expect() {
  tool=$1
  want=$2
  shift 2
  $tools/$tool "$@" > out 2>&1
  got=$?
  [ $got -eq $want ] || { note "$tool $* exited $got, expected $want:"; sed 's/^/      /' out; return 1; }
}

failed=0
step() {
  name=$1
  shift
  if "$@"; then
    echo "scenario $name: ok"
  else
    echo "scenario $name: FAILED"
    failed=$((failed + 1))
  fi
}

# "ABCD" at the start of the partition's second erase block, then "x" at +1:
# the flash holds 41 40 43 44, as a real part programs them.
programming_clears_bits() {
  printf ABCD | dd of=/dev/mtd1 bs=1 seek=65536 2>/dev/null &&
    printf x | dd of=/dev/mtd1 bs=1 seek=65537 2>/dev/null || return 1
  bytes=$(dd if=/dev/mtd1 bs=1 skip=65536 count=4 2>/dev/null | od -An -tx1 | tr -d ' ')
  [ "$bytes" = 41404344 ] || { note "ABCD then x at +1 left $bytes"; return 1; }
}

refused_unchanged() {
  dump before && expect set_config 243 $run && dump after || return 1
  cmp -s before after || { note "the refused run changed the flash"; return 1; }
}

# The finished unit, given -r with another serial: refused, the flash unchanged.
finished_unit_kept() {
  sed 's/EX0000000001/EX0000000000/' $examples/environment.txt > env0 || return 1
  dump before &&
    expect set_config 243 -r -u /dev/mtd1 -i $examples/config.txt -e env0 -w $examples/wlan_cal.bin -d $examples/dect_cal.bin &&
    dump after || return 1
  cmp -s before after || { note "-r with another serial changed the finished unit"; return 1; }
}

named_interrupted() {
  expect show_config 7 -u /dev/mtd1 || return 1
  grep -q interrupted out || { note "show_config does not say interrupted:"; sed 's/^/      /' out; return 1; }
  note "$(grep -m1 interrupted out)"
}

case $phase in
  whole)
    echo "flash lab: $(uname -r), $(grep -m1 'cpu model' /proc/cpuinfo)"
    step nor-programming-clears-bits programming_clears_bits
    step nor-uninterrupted-run expect set_config 0 $run
    step nor-show-whole expect show_config 0 -u /dev/mtd1
    step nor-finished-unit-another-serial-refused-unchanged finished_unit_kept
    ;;
  cut)
    # The host stops the board at a write to the cut byte: this run never ends.
    echo "flash lab cut: writing"
    $tools/set_config $run > out 2>&1
    note "set_config exited $?, the cut point was never written:"
    sed 's/^/      /' out
    failed=1
    ;;
  resume)
    step nor-cut-$cut-named-interrupted named_interrupted
    step nor-cut-$cut-rerun-refused-unchanged refused_unchanged
    step nor-cut-$cut-completed-with-r expect set_config 0 -r $run
    step nor-cut-$cut-completed-shows-whole expect show_config 0 -u /dev/mtd1
    ;;
  *)
    note "no phase on the command line: $(cat /proc/cmdline)"
    failed=1
    ;;
esac
if [ $failed -eq 0 ]; then finish pass; else finish FAIL; fi
