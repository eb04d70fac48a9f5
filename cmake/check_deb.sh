#!/usr/bin/env bash
# Checks the Debian package that cpack made in BUILD: its fields, its files,
# that Debian's checker (lintian, where it is installed) finds no error and no
# warning in it, and that the programs it installs (into a scratch root, with
# dpkg -x) run the demo's session.
#   cmake/check_deb.sh BUILD SOURCE VERSION
set -euo pipefail
build=$1 source=$2 version=$3

fail() {
  printf 'check_deb: %s\n' "$*" >&2
  exit 1
}

shopt -s nullglob
debs=("$build"/set-config_"$version"_*.deb)
[ "${#debs[@]}" -eq 1 ] || fail "expected one set-config_${version}_*.deb in $build, found ${#debs[@]}"
deb=${debs[0]}

info=$(dpkg-deb --info "$deb")
for field in "Package: set-config" "Version: $version" "Architecture: $(dpkg --print-architecture)" \
  "Maintainer: set_config developers <set-config@c-seed-983409eb.example>"; do
  grep -qxF " $field" <<< "$info" || fail "no '$field' in: $info"
done
grep -qE '^ Depends: .*libc6 \(>= [0-9.]+\)' <<< "$info" || fail "no computed libc6 dependency in: $info"

contents=$(dpkg-deb --contents "$deb" | awk '$6 !~ /\/$/ { print $6 " " $1 }' | LC_ALL=C sort)
expected="./usr/bin/set_config -rwxr-xr-x
./usr/bin/show_config -rwxr-xr-x
./usr/share/doc/set-config/changelog.gz -rw-r--r--
./usr/share/doc/set-config/copyright -rw-r--r--
./usr/share/lintian/overrides/set-config -rw-r--r--
./usr/share/man/man1/set_config.1.gz -rw-r--r--
./usr/share/man/man1/show_config.1.gz -rw-r--r--"
[ "$contents" = "$expected" ] || fail "the package holds: $contents"

if command -v lintian > /dev/null; then
  lintian -EvIL +pedantic --fail-on error,warning "$deb" || fail "lintian finds errors or warnings in $deb"
else
  echo "check_deb: no lintian here, the package is not checked by it"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for page in set_config show_config; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -qF "\"set_config $version\"" || fail "$page.1.gz is no page of $version"
done
latest=$(zcat "$root/usr/share/doc/set-config/changelog.gz" | sed -n 1p)
[[ $latest == "set-config ($version) "* ]] || fail "the changelog's latest entry is not $version: $latest"
# The demo takes the packaged programs first; make_example_image is the build's.
PATH="$build:$PATH" "$source/examples/demo.sh" "$root/usr/bin" "$source/examples" "$root/demo" > "$root/demo.log" ||
  fail "the demo failed with the packaged programs: $(cat "$root/demo.log")"
"$root/usr/bin/show_config" -j -u "$root/demo/partition.img" |
  python3 -c 'import json, sys; assert json.load(sys.stdin)["config_II"]["state"] == "whole"' ||
  fail "the packaged show_config -j does not list the demo's partition"
echo "check_deb: $deb holds the programs, pages and documents, and the programs run the demo"
