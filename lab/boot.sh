# The start of every guest of the device lab (sourced by its init): the pseudo
# file systems mounted, the console as standard input and outputs, the tools in
# /lab, the example files in /lab/examples, and /tmp the working folder.
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
exec 0</dev/console 1>/dev/console 2>&1

tools=/lab
examples=/lab/examples
cd /tmp
