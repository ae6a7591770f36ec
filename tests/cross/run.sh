#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a cross-built engine where this machine can run it: the Windows build under Wine, the ARM
# builds under qemu-user, emulating the oldest Raspberry Pi processor each build is for. Each must
# count perft 5 from the start, print the bench signature, and play a UCI session through pipes.
# Usage: tests/cross/run.sh windows BUILD_DIR   (holding zeltro.exe and zeltro_pipe_driver.exe)
#        tests/cross/run.sh arm64|armhf BUILD_DIR PIPE_DRIVER   (the driver built for this machine)
set -euo pipefail
target=$1
driver=${3:+$(realpath "$3")}
cd "$2"

case $target in
  windows)
    export WINEPREFIX="$PWD/wineprefix" WINEDEBUG=-all
    start=$SECONDS
    wineboot -i >/dev/null 2>&1 || true
    echo "wine prefix ready in $((SECONDS - start)) s"
    engine=(wine zeltro.exe)
    # Wine cannot peek a pipe made on the Linux side, so the driver is a Windows program too.
    session=(wine zeltro_pipe_driver.exe zeltro.exe)
    ;;
  arm64) engine=(qemu-aarch64 -cpu cortex-a53 ./zeltro) ;;  # Raspberry Pi 3
  armhf) engine=(qemu-arm -cpu cortex-a7 ./zeltro) ;;       # Raspberry Pi 2
  *)
    echo "unknown target: $target (windows, arm64 or armhf)" >&2
    exit 2
    ;;
esac
[[ $target == windows ]] || session=("$driver" "${engine[@]}")

# check PATTERN COMMAND...: the last line the command prints must match PATTERN
check() {
  local last start=$SECONDS
  last=$("${@:2}" | tr -d '\r' | tail -n 1)
  echo "${*:2}: $last ($((SECONDS - start)) s)"
  # shellcheck disable=SC2053
  [[ $last == $1 ]] || { echo "FAILED: expected $1"; exit 1; }
}

check "Nodes searched: 4865609" "${engine[@]}" perft 5
check "29093238 nodes * nps" "${engine[@]}" bench
# The driver's reads wait without end; a hung engine fails here (under Wine, its processes end).
if ! timeout 300 "${session[@]}"; then
  [[ $target != windows ]] || wineserver -k
  exit 1
fi
