#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The picture of the units in docs/design.md is current: docs/units.dot is what the includes
# draw, with no circle and few upward arrows (tools/units.sh check), and docs/units.svg is what
# `make docs` draws from it (checked only where the installed dot is the version that drew it).
# Usage: units_picture.sh SOURCE_DIR
cd "$1" || exit 1
sh tools/units.sh check || exit 1
command -v dot >/dev/null || exit 0
version=$(dot -V 2>&1 | sed 's/.*version //')
grep -qF "graphviz version $version" docs/units.svg || exit 0
dot -Tsvg docs/units.dot | cmp -s - docs/units.svg || { echo "docs/units.svg is stale: run make docs"; exit 1; }
