#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short matches against Debian's stockfish at Skill Level 0, at the time controls where an engine
# loses on time or breaks the protocol first; prints games, time forfeits, illegal moves and crashes
# of Zeltro for each control. Not part of `make test`: it takes minutes.
#
#   tools/soak.sh MANAGER            a fastchess or cutechess-cli binary (or SOAK_MANAGER=path)
#   SOAK_GAMES=4                     games per control (an even number: each opening with both colours)
#   SOAK_CONTROLS="tc=1+0.01 ..."    the controls to play; "ponder:" before one plays it pondering
#   ZELTRO=build/release/zeltro STOCKFISH=/usr/games/stockfish SOAK_CONCURRENCY=1
#
# The exit status is 1 when any game was lost on time, by an illegal move or by a crash.
set -u
here=$(cd "$(dirname "$0")" && pwd)
manager=${1:-${SOAK_MANAGER:-}}
engine=$(realpath "${ZELTRO:-$here/../build/release/zeltro}")
stockfish=${STOCKFISH:-/usr/games/stockfish}
games=${SOAK_GAMES:-4}
controls=${SOAK_CONTROLS:-"tc=0.5+1 tc=1+0.01 tc=40/2 st=0.1 ponder:tc=1+0.01"}
concurrency=${SOAK_CONCURRENCY:-1}

for need in "$manager" "$engine" "$stockfish"; do
  if [ -z "$need" ] || [ ! -x "$need" ]; then
    echo "usage: tools/soak.sh MANAGER (missing or not executable: '${need}')" >&2
    exit 2
  fi
done
manager=$(realpath "$manager") stockfish=$(realpath "$stockfish")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One control: the manager's log of finished games goes to $work/games.
play() {
  local control=$1 zeltro=(-engine "cmd=$engine" name=zeltro)
  if [[ $control == ponder:* ]]; then
    control=${control#ponder:}
    zeltro=(-engine "cmd=$here/ponder_proxy.py" "args=$engine" name=zeltro option.Ponder=true)
  fi
  # A manager may leave files in its working directory.
  (cd "$work" && FAULTS=$work/faults "$manager" "${zeltro[@]}" \
    -engine "cmd=$stockfish" name=stockfish "option.Skill Level=0" \
    -each proto=uci "$control" -rounds $((games / 2)) -games 2 -repeat \
    -concurrency "$concurrency" -resign movecount=3 score=800 >"$work/log" 2>&1)
  grep -a '^Finished game' "$work/log" >"$work/games"
}

# Lines "Finished game N (A vs B): R {Colour reason}" whose losing side is Zeltro and whose
# reason matches the pattern.
zeltro_lost() {
  awk -v pattern="$1" '{
    match($0, /\(.* vs .*\)/); split(substr($0, RSTART + 1, RLENGTH - 2), names, " vs ")
    loser = ($0 ~ /\{White /) ? names[1] : names[2]
    if (loser == "zeltro" && tolower($0) ~ pattern) n++
  } END { print n + 0 }' "$work/games"
}

failed=0
printf '%-20s %6s %9s %8s %8s %7s\n' control games forfeits illegal crashes faults
for control in $controls; do
  : >"$work/faults"
  play "$control"
  n=$(wc -l <"$work/games")
  forfeits=$(zeltro_lost 'on time|time forfeit')
  illegal=$(zeltro_lost 'illegal')
  crashes=$(zeltro_lost 'disconnect|crash|stall|abandon|timeout')
  faults=$(wc -l <"$work/faults")
  printf '%-20s %6d %9d %8d %8d %7d\n' "$control" "$n" "$forfeits" "$illegal" "$crashes" "$faults"
  [ $((forfeits + illegal + crashes + faults)) -eq 0 ] && [ "$n" -eq "$games" ] || failed=1
  if [ "$n" -ne "$games" ]; then tail -5 "$work/log" | sed 's/^/  /'; fi
done
exit $failed
