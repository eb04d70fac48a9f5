#!/bin/sh
# Fetches the device lab's Debian packages once into a cache outside the
# repository and unpacks them there: the MIPS Malta kernel (the current one, as
# the linux-image-4kc-malta metapackage names it) with its modules, and the
# static busybox. Prints the folder that holds both.
#   lab/fetch.sh [CACHE]   (default: $SET_CONFIG_LAB_CACHE, else ~/.cache/set_config-lab)
set -eu
cache=${1:-${SET_CONFIG_LAB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/set_config-lab}}
mkdir -p "$cache"

kernel=$(apt-cache depends linux-image-4kc-malta:mipsel 2>/dev/null |
  awk '/Depends: linux-image-[0-9]/ { sub(":mipsel", "", $2); print $2; exit }')
if [ -z "$kernel" ]; then
  echo "lab/fetch.sh: apt knows no linux-image-4kc-malta:mipsel (dpkg --add-architecture mipsel; apt-get update)" >&2
  exit 1
fi
root="$cache/$kernel"
if [ ! -f "$root/.unpacked" ]; then
  rm -rf "$root" "$cache/download"
  mkdir -p "$root" "$cache/download"
  # apt's sandbox user must be able to write the downloads.
  chmod 777 "$cache/download"
  (cd "$cache/download" && apt-get download -q "$kernel:mipsel" busybox-static:mipsel >&2)
  for package in "$cache"/download/*.deb; do dpkg-deb -x "$package" "$root"; done
  rm -rf "$cache/download"
  touch "$root/.unpacked"
fi
echo "$root"
