#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a user meets it, after make deb and as root: dpkg -i puts exactly the
# engine, its manual and its documents where Debian keeps games, the installed engine tells its
# version (the package's) and plays a short UCI session, man finds the manual, and dpkg -r and
# dpkg -P take every file away again.  Usage: package_test.sh DEB_DIR
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

# The engine answers, then plays its move at the end of its input and exits.
echo "$ a UCI session"
session=$(printf '%s\n' uci "setoption name Move Overhead value 100" isready \
  "position startpos moves e2e4" "go depth 4" | timeout 60 /usr/games/zeltro) ||
  fail "the session ended with status $?"
echo "$session" | grep -v '^info depth'
for line in "info string Zeltro 1800 32bit Build 4" "id name Zeltro 1800" \
  "option name Move Overhead type spin default 60 min 0 max 5000" uciok \
  "info string Move Overhead is set to 100" readyok; do
  echo "$session" | grep -qxF "$line" || fail "no line '$line'"
done
echo "$session" | tail -n 1 | grep -qx 'bestmove [a-h][1-8][a-h][1-8]\( ponder [a-h][1-8][a-h][1-8]\)\{0,1\}' ||
  fail "the session does not end with a move"

echo "$ man -w zeltro"
man -w zeltro
[ "$(man -w zeltro)" = /usr/share/man/man6/zeltro.6.gz ] || fail "man finds another manual"

echo "$ dpkg -r zeltro"
dpkg -r zeltro
if dpkg -s zeltro >/dev/null 2>&1; then dpkg -P zeltro; fi  # only a package with settings stays
[ -z "$(present)" ] || fail "left behind: $(present)"
! dpkg -s zeltro >/dev/null 2>&1 || fail "dpkg still knows zeltro"
echo "package test: ok"
