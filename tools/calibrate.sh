#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures a playing level: Zeltro with UCI_LimitStrength on at UCI_Elo LEVEL plays a match through
# a match manager and the manager reports the Elo difference with its error bar. Not part of
# `make test`: a hundred games take a quarter of an hour or more.
#
#   tools/calibrate.sh MANAGER LEVEL [OPPONENT]
#     OPPONENT  sf        Debian's stockfish limited to LEVEL (the default; its ladder spans 1350..2850)
#               sf:ELO    stockfish limited to ELO (sf:1350 for the levels below its ladder)
#               N         Zeltro itself at level N
#               full      Zeltro at full strength
#   CAL_GAMES=100  CAL_TC=5+0.05  CAL_CONCURRENCY=1  CAL_OUT=build/calibrate
#   CAL_SF_OVERHEAD=50    milliseconds stockfish keeps for the way of its move
#   CAL_ZELTRO_OVERHEAD=  Zeltro's Move Overhead, when a busy machine needs more than the default
#   ZELTRO=build/release/zeltro  STOCKFISH=/usr/games/stockfish
#
# The openings are tools/calibrate_openings.pgn, each played with both colours in random order. A
# game is given up when both engines see one side 10 pawns down for five moves, and drawn after
# move 60 when both see it within 5 centipawns of equal for ten.
# Prints the manager's result lines, then the games lost on time, by an illegal move or by a crash.
set -u
here=$(cd "$(dirname "$0")" && pwd)
manager=${1:-}
level=${2:-}
opponent=${3:-sf}
engine=$(realpath "${ZELTRO:-$here/../build/release/zeltro}")
stockfish=${STOCKFISH:-/usr/games/stockfish}
games=${CAL_GAMES:-100}
tc=${CAL_TC:-5+0.05}
concurrency=${CAL_CONCURRENCY:-1}
overhead=${CAL_SF_OVERHEAD:-50}
zeltro_overhead=${CAL_ZELTRO_OVERHEAD:-}
out=${CAL_OUT:-$here/../build/calibrate}

if [ -z "$manager" ] || [ ! -x "$manager" ] || ! [[ $level =~ ^[0-9]+$ ]]; then
  echo "usage: tools/calibrate.sh MANAGER LEVEL [sf | sf:ELO | N | full]" >&2
  exit 2
fi
manager=$(realpath "$manager")
mkdir -p "$out"
out=$(realpath "$out")

# The engine arguments of each side go to the array named first.
zeltro_at() {  # ARRAY NAME LEVEL (a rating, or full)
  local -n side=$1
  side=(-engine "cmd=$engine" "name=$2")
  [ "$3" = full ] || side+=(option.UCI_LimitStrength=true "option.UCI_Elo=$3")
  [ -z "$zeltro_overhead" ] || side+=("option.Move Overhead=$zeltro_overhead")
}
# Stockfish keeps 10 ms for the way of its move by default, and on a busy machine overruns its
# clock by that much now and then: it is told to keep more.
stockfish_at() {  # ARRAY ELO
  local -n side=$1
  side=(-engine "cmd=$stockfish" "name=sf$2" option.UCI_LimitStrength=true "option.UCI_Elo=$2"
        "option.Move Overhead=$overhead")
}
case $opponent in
  sf) stockfish_at other "$level" ;;
  sf:*) stockfish_at other "${opponent#sf:}" ;;
  full) zeltro_at other zeltro-full full ;;
  *[!0-9]*|'') echo "usage: tools/calibrate.sh MANAGER LEVEL [sf | sf:ELO | N | full]" >&2; exit 2 ;;
  *) zeltro_at other "zeltro$opponent" "$opponent" ;;
esac
zeltro_at mine "zeltro$level" "$level"

name="$level-vs-$opponent-$tc"
log="$out/$name.log"
# A manager may leave files in its working directory.
(cd "$out" && "$manager" "${mine[@]}" "${other[@]}" -each proto=uci "tc=$tc" \
  -openings "file=$here/calibrate_openings.pgn" format=pgn order=random \
  -rounds $((games / 2)) -games 2 -repeat -concurrency "$concurrency" \
  -resign movecount=5 score=1000 -draw movenumber=60 movecount=10 score=5 \
  -pgnout "file=$out/$name.pgn" >"$log" 2>&1)

# The manager's last report.
awk '/^Results of/ { block = "" } /^(Results of|Elo:|LOS:|Games:|Ptnml)/ { block = block $0 "\n" }
     END { printf "%s", block }' "$log"
# Lines "Finished game N (A vs B): RESULT {reason}": the games each side lost by a fault.
grep -a '^Finished game' "$log" | awk '{
  match($0, /\([^()]* vs [^()]*\)/); split(substr($0, RSTART + 1, RLENGTH - 2), names, " vs ")
  loser = ($0 ~ /: 1-0 /) ? names[2] : ($0 ~ /: 0-1 /) ? names[1] : "none"
  reason = tolower($0)
  if (reason ~ /on time|time forfeit/) time[loser]++
  if (reason ~ /illegal/) illegal[loser]++
  if (reason ~ /disconnect|crash|stall/) crash[loser]++
  seen[names[1]] = seen[names[2]] = 1
} END {
  for (n in seen) printf "%-16s lost on time %d, by an illegal move %d, by a crash %d\n", n, time[n], illegal[n], crash[n]
}'
echo "log: $log"
