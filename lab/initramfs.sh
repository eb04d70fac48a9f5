# The device lab's initramfs, shared by lab/run.sh and lab/flash.sh (sourced):
#   lay_out_initramfs DIR GUEST TOOLS_DIR EXAMPLES_DIR TOOL... -- MODULE...
# lays out DIR with the static busybox of $root (lab/fetch.sh's folder) and its
# applets, the console node, GUEST as init with lab/boot.sh beside it, the named
# tools in /lab, the example files in /lab/examples and the kernel modules in
# /modules; then packs DIR into DIR.cpio.gz.
lay_out_initramfs() {
  dir=$1 guest=$2 tools_dir=$3 examples_dir=$4
  shift 4
  rm -rf "$dir"
  mkdir -p "$dir/bin" "$dir/dev" "$dir/proc" "$dir/sys" "$dir/tmp" "$dir/lab/examples" "$dir/modules"
  cp "$root/bin/busybox" "$dir/bin/busybox"
  for applet in $(qemu-mipsel "$dir/bin/busybox" --list); do
    [ "$applet" = busybox ] || ln -sf busybox "$dir/bin/$applet"
  done
  # The kernel gives init its console through this node; without it the guest
  # script opens it itself once devtmpfs is mounted.
  mknod "$dir/dev/console" c 5 1 2>/dev/null || true
  cp "$guest" "$dir/init"
  chmod 755 "$dir/init"
  cp "$(dirname "$guest")/boot.sh" "$dir/lab/boot.sh"
  while [ "$1" != -- ]; do
    cp "$tools_dir/$1" "$dir/lab/"
    shift
  done
  shift
  for file in config.txt environment.txt wlan_cal.bin dect_cal.bin; do cp "$examples_dir/$file" "$dir/lab/examples/"; done
  for ko in "$@"; do cp "$ko" "$dir/modules/"; done
  (cd "$dir" && find . | cpio -o -H newc --quiet | gzip -1) > "$dir.cpio.gz"
}
