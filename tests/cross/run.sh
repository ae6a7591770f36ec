#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a cross-built engine where this machine can run it: the Windows build under Wine, the ARM
# builds under qemu-user, emulating the oldest Raspberry Pi processor each build is for. Each must
# count perft 5 from the start, print the bench signature, and play a UCI session through pipes.
# Usage: tests/cross/run.sh windows|arm64|armhf BUILD_DIR
set -euo pipefail
target=$1
cd "$2"

case $target in
  windows)
    export WINEPREFIX="$PWD/wineprefix" WINEDEBUG=-all
    wineboot -i >/dev/null 2>&1 || true
    engine=(wine zeltro.exe)
    # Wine cannot peek a pipe made on the Linux side: the session goes through Windows pipes.
    session=(wine zeltro_pipe_driver.exe zeltro.exe)
    ;;
  arm64) engine=(qemu-aarch64 -cpu cortex-a53 ./zeltro) ;;  # Raspberry Pi 3
  armhf) engine=(qemu-arm -cpu cortex-a7 ./zeltro) ;;       # Raspberry Pi 2
  *) echo "unknown target: $target (windows, arm64 or armhf)" >&2 && exit 2 ;;
esac
[[ $target == windows ]] || session=("${engine[@]}")
fail() {
  echo "FAILED: $1"
  [[ $target != windows ]] || wineserver -k
  exit 1
}

# check PATTERN COMMAND...: the last line the command prints must match PATTERN
check() {
  local last start=$SECONDS
  last=$("${@:2}" | tr -d '\r' | tail -n 1)
  echo "${*:2}: $last ($((SECONDS - start)) s)"
  # shellcheck disable=SC2053
  [[ $last == $1 ]] || fail "expected $1"
}

check "Nodes searched: 4865609" "${engine[@]}" perft 5
check "29093238 nodes * nps" "${engine[@]}" bench
# The session, with pauses in the input: a search without end answers isready without ending and
# stops on stop, three plies deep or more by then (the engine may start late under an emulator, so
# isready can come before the first ply), a timed search answers, and the end of the input during a
# search without end still brings its move before the engine exits; quit ends a second one.
{
  printf 'uci\ngo infinite\n' && sleep 3 && printf 'isready\nstop\n'
  printf 'position startpos moves e2e4\ngo wtime 2000 btime 2000\n' && sleep 3
  printf 'go infinite\n' && sleep 3
} | timeout 300 "${session[@]}" | tr -d '\r' >session.out || fail "the session's exit status"
grep -E '^(uciok|readyok|bestmove)' session.out
awk '/^info depth 3 /{if(!d)d=NR} /^readyok/{r=NR} /^bestmove/{if(!b)b=NR; n++}
  END{exit !(d && d < b && r < b && n == 3)}' session.out || fail "the session's replies"
printf 'uci\nquit\n' | timeout 60 "${session[@]}" >/dev/null || fail "quit"
echo "pipe session passed"
