#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# make install and make uninstall into a scratch DESTDIR, with the default and another PREFIX:
# exactly the engine and its manual land where the manual says, with their modes, the installed
# engine runs, and uninstall leaves nothing behind.  Usage: install_test.sh SOURCE_DIR ENGINE
set -eu
# A make that runs the tests must not lend this one its job server.
unset MAKEFLAGS MFLAGS MAKELEVEL
src=$1 engine=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() {
  echo "install test: $*" >&2
  exit 1
}
for prefix in "" /opt/zeltro; do
  args="DESTDIR=$stage ENGINE=$engine${prefix:+ PREFIX=$prefix}"
  root=$stage${prefix:-/usr/local}
  # shellcheck disable=SC2086
  make -s -C "$src" install $args >/dev/null
  [ "$(cd "$stage" && find . -type f | sort | tr '\n' ' ')" = \
    ".${prefix:-/usr/local}/bin/zeltro .${prefix:-/usr/local}/share/man/man6/zeltro.6 " ] ||
    fail "installed files: $(cd "$stage" && find . -type f)"
  [ "$(stat -c %a "$root/bin/zeltro") $(stat -c %a "$root/share/man/man6/zeltro.6")" = "755 644" ] ||
    fail "modes of the installed files"
  cmp -s "$src/docs/zeltro.6" "$root/share/man/man6/zeltro.6" || fail "the manual differs"
  [ "$("$root/bin/zeltro" --version)" = "Zeltro 1800 Build 4" ] || fail "the engine does not run"
  # shellcheck disable=SC2086
  make -s -C "$src" uninstall $args
  [ -z "$(find "$stage" -type f)" ] || fail "uninstall left $(find "$stage" -type f)"
done
echo "install test: ok"
