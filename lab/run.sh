#!/bin/sh
# Boots the device lab: the static tools on Debian's MIPS Malta kernel in
# qemu-system-mipsel, on a real kernel MTD flash (mtdram, nandsim), and runs
# lab/guest.sh there. Prints the guest's scenario lines; exits 0 only when the
# guest's result line says that every scenario passed.
#   lab/run.sh TOOLS_DIR EXAMPLES_DIR WORK_DIR [CPU_MODEL]
# TOOLS_DIR holds static mipsel builds of set_config, show_config and
# make_example_image. SET_CONFIG_LAB_CACHE names the package cache.
set -eu
tools=$1
examples=$2
work=$3
cpu=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$("$here/fetch.sh")
version=$(basename "$root" | sed 's/^linux-image-//')
modules="$root/lib/modules/$version/kernel/drivers/mtd"

. "$here/initramfs.sh"
rm -rf "$work"
mkdir -p "$work"
lay_out_initramfs "$work/initramfs" "$here/guest.sh" "$tools" "$examples" set_config show_config make_example_image -- \
  "$modules/devices/mtdram.ko" "$modules/nand/raw/nand.ko" "$modules/nand/raw/nandsim.ko"
cd "$work"

started=$(date +%s)
status=0
timeout 600 qemu-system-mipsel -M malta ${cpu:+-cpu "$cpu"} -m 256 \
  -kernel "$root/boot/vmlinuz-$version" -initrd initramfs.cpio.gz \
  -append "console=ttyS0 rdinit=/init quiet loglevel=1 panic=-1" \
  -nic none -vga none -display none -monitor none -serial "file:$work/console.log" -no-reboot \
  </dev/null || status=$?
finished=$(date +%s)
grep -E "^(device lab|scenario|    )" console.log || true
echo "boot and scenarios took $((finished - started)) s${cpu:+ on $cpu} (qemu status $status)"
grep -q "^device lab result: pass" console.log
