#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How much faster one build of the engine is than another: `bench` run by each in turn, PAIRS times,
# timed as whole-process user time (on a busy machine a nodes-per-second figure follows the
# neighbours, user time much less). Both builds must print the same node count. Prints each pair
# with its ratio, then the medians and their ratio, and the median of the pairs' ratios: when the
# machine slows down for a while, both runs of a pair slow together, so that figure moves least.
# Not part of `make test`: it takes a minute or more.
#
#   tools/compare.sh OLD NEW [PAIRS]    two zeltro binaries; PAIRS defaults to 5
#
# A build of an older commit for OLD: git worktree add /tmp/old COMMIT && make -C /tmp/old
set -u
old=${1:-} new=${2:-} pairs=${3:-5}
for engine in "$old" "$new"; do
  if [ -z "$engine" ] || [ ! -x "$engine" ]; then
    echo "usage: tools/compare.sh OLD NEW [PAIRS] (missing or not executable: '$engine')" >&2
    exit 2
  fi
done
case $pairs in '' | *[!0-9]* | 0) echo "tools/compare.sh: PAIRS must be a positive count" >&2; exit 2 ;; esac

# Prints "NODES SECONDS" for one bench of the engine $1.
bench_once() {
  local out seconds
  out=$( { TIMEFORMAT=%U; time "$1" bench 2>/dev/null; } 2>&1 ) || return 1
  seconds=$(tail -n 1 <<<"$out")
  nodes=$(grep -E '^[0-9]+ nodes [0-9]+ nps$' <<<"$out" | cut -d' ' -f1)
  echo "${nodes:-?} $seconds"
}

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

old_times="" new_times="" ratios=""
for ((i = 1; i <= pairs; i++)); do
  read -r old_nodes old_s < <(bench_once "$old") || { echo "tools/compare.sh: $old bench failed" >&2; exit 1; }
  read -r new_nodes new_s < <(bench_once "$new") || { echo "tools/compare.sh: $new bench failed" >&2; exit 1; }
  if [ "$old_nodes" != "$new_nodes" ]; then
    echo "tools/compare.sh: the builds search different trees: $old_nodes and $new_nodes nodes" >&2
    exit 1
  fi
  ratio=$(awk -v o="$old_s" -v n="$new_s" 'BEGIN { printf "%.3f", o / n }')
  printf 'pair %d: old %ss, new %ss user time, ratio %s (%s nodes)\n' "$i" "$old_s" "$new_s" "$ratio" \
    "$new_nodes"
  old_times+="$old_s"$'\n' new_times+="$new_s"$'\n' ratios+="$ratio"$'\n'
done
old_median=$(printf '%s' "$old_times" | median)
new_median=$(printf '%s' "$new_times" | median)
ratio_median=$(printf '%s' "$ratios" | median)
awk -v o="$old_median" -v n="$new_median" -v r="$ratio_median" 'BEGIN {
  printf "median: old %.2fs, new %.2fs; new is %.2f times as fast (median of the pairs: %.2f)\n",
    o, n, o / n, r
}'
