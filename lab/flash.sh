#!/bin/sh
# Power cuts on the board's NOR flash: boots the static tools on Debian's MIPS
# Malta kernel with the board's CFI flash kept in a file across boots (the
# lab's module lab/flash makes /dev/mtd1 its bootloader partition), and runs
# lab/flash-guest.sh there, one phase a boot:
#   - one uninterrupted run, which must leave what the same run leaves on an
#     image file;
#   - for each cut point, a run stopped at its first store to that byte of the
#     partition and the emulator killed there (the power cut), then a boot that
#     finds the write interrupted and completes it with -r; the flash must then
#     hold what the uninterrupted run left, byte for byte, and nothing outside
#     0x580..0xDFF of the partition may have changed.
# Prints the scenario lines and the time of each boot; exits 0 only when every
# scenario passed.
#   lab/flash.sh TOOLS_DIR EXAMPLES_DIR WORK_DIR
# TOOLS_DIR holds static mipsel builds of set_config, show_config and
# make_example_image. SET_CONFIG_LAB_CACHE names the package cache.
set -eu
tools=$(cd "$1" && pwd)
examples=$(cd "$2" && pwd)
work=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$("$here/fetch.sh")
version=$(basename "$root" | sed 's/^linux-image-//')
mtd="$root/lib/modules/$version/kernel/drivers/mtd"

. "$here/initramfs.sh"
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
module=$("$here/module.sh" "$work/module")
lay_out_initramfs "$work/initramfs" "$here/flash-guest.sh" "$tools" "$examples" set_config show_config -- \
  "$mtd/chips/cfi_util.ko" "$mtd/chips/gen_probe.ko" "$mtd/chips/cfi_probe.ko" "$mtd/chips/cfi_cmdset_0001.ko" \
  "$mtd/maps/physmap.ko" "$module"
cd "$work"

# The flash as the factory hands it over: erased, with the example image at the
# start of the bootloader partition (flash offset 0x100000). The reference is the
# same run on an image file.
partition=1048576
qemu-mipsel "$tools/make_example_image" example.img >/dev/null
cp example.img reference.img
qemu-mipsel "$tools/set_config" -u reference.img -i "$examples/config.txt" -e "$examples/environment.txt" \
  -w "$examples/wlan_cal.bin" -d "$examples/dect_cal.bin" >/dev/null
dd if=/dev/zero bs=65536 count=64 2>/dev/null | tr '\000' '\377' > erased.flash
cp erased.flash handed-over.flash
dd if=example.img of=handed-over.flash bs=65536 seek=16 conv=notrunc 2>/dev/null

passed=0
failed=0
verdict() {
  if [ "$2" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  echo "scenario $1: $2"
}
note() { echo "    $*"; }
now() { date +%s%3N; }
seconds() { echo "$(($1 / 1000)).$(($1 % 1000 / 100)) s"; }

# boot PHASE FLASH [NAME CUT]: one boot of the board on flash file FLASH, phase
# PHASE of the guest, for the cut named NAME; with CUT (an offset in the
# partition) stopped and killed at the first store to that byte. Prints the
# guest's lines; fails when the guest's result line does not say pass, or when
# the cut was not made.
boot() {
  phase=$1
  flash=$2
  name=${3:-none}
  cut=${4:-}
  log="${flash%.flash}-$phase.log"
  set -- qemu-system-mipsel -M malta -m 256 -kernel "$root/boot/vmlinuz-$version" -initrd initramfs.cpio.gz \
    -append "console=ttyS0 rdinit=/init quiet loglevel=1 panic=-1 lab_phase=$phase lab_cut=$name" \
    -drive "if=pflash,format=raw,file=$flash" \
    -nic none -vga none -display none -monitor none -serial "file:$log" -no-reboot
  booted=$(now)
  ok=yes
  if [ -n "$cut" ]; then
    rm -f stub.sock
    "$@" -S -chardev socket,id=stub,path=stub.sock,server=on,wait=off -gdb chardev:stub </dev/null &
    qemu=$!
    python3 "$here/watch.py" stub.sock $((0xbe000000 + partition + cut)) 60 $qemu > watch.out || ok=no
    # Killed by then, but never left behind, whatever became of the watcher.
    kill -KILL $qemu 2>/dev/null || true
    wait $qemu 2>/dev/null || true
    rm -f stub.sock
    sed 's/^/    /' watch.out
    grep -q "^flash lab cut: writing" "$log" || ok=no
  else
    timeout 60 "$@" </dev/null || true
    grep -q "^flash lab $phase result: pass" "$log" || ok=no
  fi
  grep -E "^(flash lab|scenario|    )" "$log" || true
  echo "    boot ($phase${cut:+ at $(printf 0x%x "$cut")}) took $(seconds $(($(now) - booted)))"
  [ $ok = yes ]
}

# The partition's first 64 KiB of flash file $1 equal image file $2.
partition_holds() {
  dd if="$1" bs=65536 skip=16 count=1 2>/dev/null | cmp -s - "$2" ||
    { note "the partition's first 64 KiB differ from $2"; return 1; }
}

# Flash files $1 and $2 differ only at flash offsets inside the ranges [$3, $4)
# (and [$5, $6), ...).
differ_only_inside() {
  a=$1
  b=$2
  shift 2
  cmp -l "$a" "$b" | awk -v ranges="$*" '
    BEGIN { n = split(ranges, r, " ") }
    { at = $1 - 1; inside = 0
      for (i = 1; i < n; i += 2) if (at >= r[i] && at < r[i + 1]) inside = 1
      if (!inside) { printf "    changed at flash offset 0x%x\n", at; bad = 1; exit } }
    END { exit bad }'
}

# Into file $1: the handed-over flash with the reference's bytes at partition
# offsets [$2, $3) (and [$4, $5), ...): what a run cut there has written.
written_before() {
  out=$1
  shift
  cp handed-over.flash "$out"
  while [ $# -ge 2 ]; do
    dd if=reference.img of="$out" bs=1 skip=$(($1)) seek=$((partition + $1)) count=$(($2 - $1)) conv=notrunc 2>/dev/null
    shift 2
  done
}

area="$((partition + 0x580)) $((partition + 0xE00))"

uninterrupted() {
  cp handed-over.flash whole.flash
  boot whole whole.flash && partition_holds whole.flash reference.img &&
    differ_only_inside handed-over.flash whole.flash $area $((partition + 0x10000)) $((partition + 0x10004))
}

# cut NAME OFFSET RANGES...: a run cut at the first store to partition byte
# OFFSET, which must have written exactly the RANGES of the reference before
# it; then completed.
cut() {
  name=$1
  at=$2
  shift 2
  flash="cut-$name.flash"
  cp handed-over.flash "$flash"
  if boot cut "$flash" "$name" $((at)); then
    written_before expected.flash "$@"
    if cmp -s expected.flash "$flash"; then
      verdict "nor-cut-$name-leaves-the-bytes-before-it" ok
    else
      verdict "nor-cut-$name-leaves-the-bytes-before-it" FAILED
      cmp -l expected.flash "$flash" | head -5 | awk '{ printf "    flash offset 0x%x: expected %s, found %s (octal)\n", $1 - 1, $2, $3 }'
    fi
  else
    verdict "nor-cut-$name" FAILED
    return
  fi
  if boot resume "$flash" "$name" && partition_holds "$flash" reference.img && differ_only_inside handed-over.flash "$flash" $area; then
    verdict "nor-cut-$name-completed-as-one-run" ok
  else
    verdict "nor-cut-$name-completed-as-one-run" FAILED
  fi
}

started=$(now)
if uninterrupted; then verdict nor-uninterrupted-run-as-on-a-file ok; else verdict nor-uninterrupted-run-as-on-a-file FAILED; fi
# The records' write (all but the version byte at 0x980 first), cut in the
# WLAN record's payload (0x984..0x9C3): half of it is on the flash.
cut in-wlan-payload 0x9a4 0x981 0x9a4
# The block's write (all but its first word first), cut in its table, after
# the records are whole.
cut in-config-block 0x600 0x980 0x9d8 0x584 0x600
# The same write cut at its last part, the block's first word: all of the
# block but that word is on the flash.
cut at-config-first-word 0x580 0x980 0x9d8 0x584 0x97c
echo "flash lab: $passed passed, $failed failed, in $(seconds $(($(now) - started)))"
[ $failed -eq 0 ]
