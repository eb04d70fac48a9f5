#!/bin/sh
# Builds the device lab's flash module (lab/flash) for the lab's kernel into
# folder OUT and prints the module's path. The kernel's headers and the host's
# kbuild are fetched once into the package cache, at the very version of the
# kernel that lab/fetch.sh unpacked (the archive may offer a newer kbuild).
#   lab/module.sh OUT   (SET_CONFIG_LAB_CACHE names the package cache)
set -eu
out=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$("$here/fetch.sh")
release=$(basename "$root" | sed 's/^linux-image-//')
version=$(zcat "$root/usr/share/doc/linux-image-$release/changelog.Debian.gz" | sed -n '1s/^linux (\([^)]*\)).*/\1/p')
abi=${release%-4kc-malta}
series=$(echo "$abi" | cut -d. -f1-2)
if [ -z "$version" ] || [ -z "$series" ]; then
  echo "lab/module.sh: cannot tell the version of $root" >&2
  exit 1
fi

build="$(dirname "$root")/linux-headers-$release-$version"
if [ ! -f "$build/.unpacked" ]; then
  rm -rf "$build" "$build.download"
  mkdir -p "$build" "$build.download"
  chmod 777 "$build.download"
  (cd "$build.download" && apt-get download -q "linux-headers-$release:mipsel=$version" \
    "linux-headers-$abi-common=$version" "linux-kbuild-$series=$version" >&2)
  for package in "$build.download"/*.deb; do dpkg-deb -x "$package" "$build"; done
  rm -rf "$build.download"
  # The headers name their common half by its installed path.
  sed -i "s|/usr/src/|$build/usr/src/|" "$build/usr/src/linux-headers-$release/Makefile"
  touch "$build/.unpacked"
fi

mkdir -p "$out"
cp "$here/flash/Kbuild" "$here/flash/lab_flash.c" "$out/"
make -s -C "$build/usr/src/linux-headers-$release" M="$(cd "$out" && pwd)" ARCH=mips \
  CROSS_COMPILE=mipsel-linux-gnu- modules >&2
echo "$(cd "$out" && pwd)/lab_flash.ko"
