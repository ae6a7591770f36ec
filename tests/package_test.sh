#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a user meets it, after make deb and as root: dpkg -i puts exactly the
# engine, its manual and its documents where Debian keeps games, the installed engine tells its
# version (the package's), and dpkg -r and dpkg -P take every file away again. How the engine
# plays is the test suite's, run on the packaged build by dpkg-buildpackage, and the manual's
# place is in the package's file list.  Usage: package_test.sh DEB_DIR
set -eu
deb=$(ls "$1"/zeltro_*.deb)
layout="/usr/games/zeltro
/usr/share/doc/zeltro/README.md.gz
/usr/share/doc/zeltro/changelog.gz
/usr/share/doc/zeltro/copyright
/usr/share/man/man6/zeltro.6.gz"
fail() {
  echo "package test: $*" >&2
  dpkg -P zeltro >/dev/null 2>&1 || true
  exit 1
}
present() {
  for f in $layout /usr/share/doc/zeltro; do [ ! -e "$f" ] || echo "$f"; done
}
if dpkg -s zeltro >/dev/null 2>&1 || [ -n "$(present)" ]; then
  echo "package test: zeltro is installed already; remove it first" >&2
  exit 1
fi
[ "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' | sort)" = "$layout" ] ||
  fail "the package holds: $(dpkg-deb -c "$deb")"

echo "$ dpkg -i $deb"
dpkg -i "$deb"
[ "$(present)" = "$(printf '%s\n' "$layout" /usr/share/doc/zeltro)" ] || fail "installed: $(present)"
echo "$ zeltro --version"
version=$(/usr/games/zeltro --version)
echo "$version"
[ "$version" = "Zeltro 1800 Build $(dpkg-deb -f "$deb" Version)" ] || fail "the version is not the package's"

echo "$ dpkg -r zeltro"
dpkg -r zeltro
if dpkg -s zeltro >/dev/null 2>&1; then dpkg -P zeltro; fi  # only a package with settings stays
[ -z "$(present)" ] || fail "left behind: $(present)"
! dpkg -s zeltro >/dev/null 2>&1 || fail "dpkg still knows zeltro"
echo "package test: ok"
