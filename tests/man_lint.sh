#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual renders without a message from mandoc's linter or from groff's warnings. A checker
# that is not installed is left out; with neither, the test is skipped (status 77).
page=$1 ran=0 status=0
for check in "mandoc -T lint" "groff -man -ww -z"; do
  command -v "${check%% *}" >/dev/null || continue
  ran=1
  # shellcheck disable=SC2086
  out=$($check "$page" 2>&1) || status=1
  [ -z "$out" ] || { echo "$check: $out"; status=1; }
done
[ $ran = 1 ] || { echo "man page lint: skipped, neither mandoc nor groff is installed"; exit 77; }
exit $status
