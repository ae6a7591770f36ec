#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build under Wine: perft, the bench signature, and a UCI session through pipes
# made by a Windows program (Wine cannot peek a pipe made on the Linux side).
# Usage: tests/windows/run.sh BUILD_DIR (holding zeltro.exe and zeltro_pipe_driver.exe)
set -euo pipefail
cd "$1"
export WINEPREFIX="$PWD/wineprefix" WINEDEBUG=-all

# check PATTERN COMMAND...: the last line the command prints must match PATTERN
check() {
  local last
  last=$("${@:2}" | tr -d '\r' | tail -n 1)
  echo "${*:2}: $last"
  # shellcheck disable=SC2053
  [[ $last == $1 ]] || { echo "FAILED: expected $1"; exit 1; }
}

start=$SECONDS
wineboot -i >/dev/null 2>&1 || true
echo "wine prefix ready in $((SECONDS - start)) s"
check "Nodes searched: 4865609" wine zeltro.exe perft 5
check "29093238 nodes * nps" wine zeltro.exe bench
# The driver's reads wait without end; a hung engine fails here, and Wine's processes are ended.
timeout 300 wine zeltro_pipe_driver.exe zeltro.exe || { wineserver -k; exit 1; }
