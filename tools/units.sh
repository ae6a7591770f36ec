#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The units of the engine and the arrows between them, read from the #include lines.
#   tools/units.sh dot     the picture as graphviz text (make docs keeps it in docs/units.dot)
#   tools/units.sh arrows  every arrow, the upward ones and the circles, one per line
#   tools/units.sh check   fails when docs/units.dot is not what the includes draw, a circle
#                          exists, more than MAX_UPWARD arrows point up, or a file has no unit
# A unit is a header and the source files that implement it (types.h, which all share, is none). Layers run from the front ends
# down to the operating system; an arrow from a lower layer to a higher one points up.
set -eu
cd "$(dirname "$0")/.."
MAX_UPWARD=3

# unit|layer|files|what it does
UNITS='main|front|src/main.cpp|command line: --help, bench, perft, eval, epd
web|front|web/engine_entry.cpp|the browser'"'"'s way in
protocol|front|src/protocol.h src/protocol.cpp|UCI loop, go line, bestmove
diag|front|src/diag.h src/diag.cpp|perft, bench, profile, symtestpos
epd|front|src/epd.h src/epd.cpp|SAN, EPD suites
search|search|src/search.h src/search.cpp|iterative deepening, root, search, quiescence, poll
timeman|search|src/timeman.h src/timeman.cpp|go limits, time budget, verdict after each iteration
eval|search|src/eval.h src/eval.cpp|static evaluation
pg_show|book|src/pg_show.h src/pg_show.cpp|book file lookup
pg_key|book|src/pg_key.h src/pg_key.cpp|Polyglot keys
option|settings|src/option.h src/option.cpp|UCI options, the settings record
board|board|src/board.h src/board.cpp src/bitboard.cpp src/attacks.cpp src/see.cpp src/movegen.cpp src/makemove.cpp|position, bit primitives, attacks, exchanges, move lists, make and take back
fen|board|src/fen.h src/fen.cpp|FEN in and out, set-up
movetext|board|src/movetext.h src/movetext.cpp|moves and pieces as text
hash|board|src/hash.h src/hash.cpp|Zobrist keys, table block
data|board|src/data.h src/data.cpp|geometry, test positions
util|system|src/util.h src/util.cpp|text compare, SendInfo
platform|system|src/platform.h src/platform.cpp|input poll, clock, rand15
version|system|src/version.h|name and build number'
LAYERS='front search book settings board system'
export UNITS LAYERS

# The records every unit shares; they belong to none and are left out of the picture.
SHARED=src/types.h

# Every other engine file belongs to a unit.
listed=$(echo "$UNITS" | cut -d'|' -f3 | tr ' ' '\n'; echo "$SHARED")
missing=$(for f in src/*.h src/*.cpp web/*.cpp; do echo "$listed" | grep -qx "$f" || echo "$f"; done)

# from|to per include of a unit's header by another unit, each pair once.
arrows() {
  echo "$UNITS" | while IFS='|' read -r unit layer files what; do
    for f in $files; do sed -n "s/^#include \"\(.*\)\".*/$unit src\/\1/p" "$f"; done
  done | awk '
    BEGIN {
      n = split(ENVIRON["UNITS"], lines, "\n")
      for (i = 1; i <= n; i++) {
        split(lines[i], field, "|")
        m = split(field[3], files, " ")
        for (j = 1; j <= m; j++) owner[files[j]] = field[1]
      }
    }
    ($2 in owner) && owner[$2] != $1 { print $1 "|" owner[$2] }' | sort -u
}

# The arrows that point from a lower layer up to a higher one.
upward() {
  arrows | awk -F'|' '
    BEGIN {
      n = split(ENVIRON["LAYERS"], layers, " ")
      for (i = 1; i <= n; i++) rank[layers[i]] = i
      n = split(ENVIRON["UNITS"], lines, "\n")
      for (i = 1; i <= n; i++) { split(lines[i], field, "|"); depth[field[1]] = rank[field[2]] }
    }
    depth[$1] > depth[$2]'
}

# The units that stand on a circle, one circle (a strongly connected set) per line.
circles() {
  arrows | awk -F'|' '
    { out[$1] = out[$1] " " $2; node[$1]; node[$2] }
    function visit(v,   n, ws, i, w, line) {
      index_of[v] = low[v] = ++counter; stack[++top] = v; on[v] = 1
      n = split(out[v], ws, " ")
      for (i = 1; i <= n; i++) {
        w = ws[i]
        if (!(w in index_of)) { visit(w); if (low[w] < low[v]) low[v] = low[w] }
        else if (on[w] && index_of[w] < low[v]) low[v] = index_of[w]
      }
      if (low[v] != index_of[v]) return
      line = ""; n = 0
      do { w = stack[top--]; on[w] = 0; line = w (n++ ? " " line : ""); } while (w != v)
      if (n > 1) print line
    }
    END { for (v in node) if (!(v in index_of)) visit(v) }' | sort
}

# Each layer's colour in the picture.
fill_of() {
  case "$1" in
    front) echo "#eef3fb" ;; search) echo "#fbf1e6" ;; book) echo "#f3eefb" ;;
    settings) echo "#fbfbe6" ;; board) echo "#eaf6ec" ;; *) echo "#f2f2f2" ;;
  esac
}

draw() {
  up=$(upward)
  echo '// SPDX-License-Identifier: GPL-3.0-or-later'
  echo '// Drawn by tools/units.sh from the #include lines; do not edit: run make docs.'
  echo 'digraph units {'
  echo '  graph [rankdir=TB, newrank=true, fontname="Helvetica", fontsize=11, nodesep=0.3, ranksep=0.45,'
  echo '         label="Zeltro 1800: the units (a header and its sources), by layer: front ends (blue), search, book, settings, board (green), system (grey).\\nAn arrow points from the unit that includes; a red one points up a layer. types.h, shared by all, is left out.",'
  echo '         labelloc=t];'
  echo '  node [shape=box, style="rounded,filled", fillcolor="#ffffff", fontname="Helvetica", fontsize=10,'
  echo '        margin="0.12,0.05"];'
  echo '  edge [color="#555555", arrowsize=0.7];'
  for layer in $LAYERS; do
    echo "  // $layer"
    echo "$UNITS" | awk -F'|' -v l="$layer" -v fill="$(fill_of "$layer")" '$2 == l {
      n = split($3, fs, " "); names = ""
      for (i = 1; i <= n; i++) { sub(/.*\//, "", fs[i]); names = names (i > 1 ? " " : "") fs[i] }
      what = $4; gsub(/&/, "\\&amp;", what); gsub(/'"'"'/, "\\&#39;", what)
      printf "  %s [label=<<b>%s</b><br/>%s>, fillcolor=\"%s\"];\n", $1, names, what, fill }'
  done
  arrows | while IFS='|' read -r a b; do
    if echo "$up" | grep -qx "$a|$b"; then
      echo "  $a -> $b [color=\"#c0504d\", constraint=false];"
    else
      echo "  $a -> $b;"
    fi
  done
  echo '}'
}

case "${1:-}" in
  dot) draw ;;
  arrows)
    arrows | tr '|' ' ' | sed 's/ / -> /'
    echo "upward: $(upward | tr '|' ' ' | sed 's/ / -> /' | paste -sd, - | sed 's/,/, /g')"
    echo "circles: $(circles | paste -sd';' - | sed 's/;/; /g')"
    ;;
  check)
    status=0
    [ -z "$missing" ] || { echo "files in no unit: $missing"; status=1; }
    c=$(circles)
    [ -z "$c" ] || { echo "units on a circle: $(echo "$c" | paste -sd';' -)"; status=1; }
    n=$(upward | grep -c . || true)
    [ "$n" -le "$MAX_UPWARD" ] || { echo "$n arrows point up (at most $MAX_UPWARD): $(upward | paste -sd' ' -)"; status=1; }
    draw | cmp -s - docs/units.dot || { echo "docs/units.dot differs from the includes: run make docs"; status=1; }
    exit $status
    ;;
  *) echo "usage: tools/units.sh dot|arrows|check" >&2; exit 2 ;;
esac
