#!/usr/bin/env bash
# Instructions per coordinate of the pass's number reader and writer beside
# Debian's fast_float and fmt, counted by callgrind over the 358,154
# coordinates of the 10 MB bench drawing (each run less one that only loads
# it). Needs libfast-float-dev and libfmt-dev.
#   bench/numbers.sh
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=10
source bench/prepare.sh
codecs="$bin/kelvrin_number_codecs"
[[ -x $codecs ]] || { echo "needs libfast-float-dev and libfmt-dev" >&2; exit 1; }
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$codecs" "$1" "$drawing" 2>&1 |
    awk '/Collected :/ { print $NF }'
}
base=$(count load)
values=$("$codecs" load "$drawing" | awk '{ print $1 }')
for mode in plain_decimal strict_number fast_float format_coordinate fmt; do
  awk -v m="$mode" -v i="$(count "$mode")" -v b="$base" -v n="$values" \
    'BEGIN { printf "%-18s %6.1f instructions per coordinate\n", m, (i - b) / n }'
done
