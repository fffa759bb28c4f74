#!/usr/bin/env bash
# The conversions PROJ runs against the official route, on the bench drawing,
# alternating, best of ROUNDS: the NTv2 method (ETRS89 TM06 -> Datum 73) and a
# PROJ route between two EPSG codes (EPSG:3763 -> EPSG:32629).
#   bench/proj.sh [SIZE_MB] [ROUNDS]      (defaults: 100 MB, 5 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-100}
rounds=${2:-5}

source bench/prepare.sh

best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; }
measure() { "$bin/kelvrin_measure" "$bin/kelvrin-cli" -q "$@" "$drawing" "$out/converted.dxf" |
              tail -n 1 | cut -d' ' -f1; }
official=999999; ntv2=999999; proj=999999
for ((round = 1; round <= rounds; round++)); do
  official=$(best "$official" "$(measure --from tm06 --to datum73)")
  ntv2=$(best "$ntv2" "$(measure --method ntv2 --from tm06 --to datum73)")
  proj=$(best "$proj" "$(measure --from EPSG:3763 --to EPSG:32629)")
done
rm -f "$out/converted.dxf"
awk -v bytes="$bytes" -v o="$official" -v n="$ntv2" -v p="$proj" -v r="$rounds" 'BEGIN {
  mb = bytes / 1e6
  printf "drawing              %.1f MB (best of %d rounds, alternating)\n", mb, r
  printf "official route       %.1f MB/s  (%.3f s)\n", mb / o, o
  printf "NTv2 method          %.1f MB/s  (%.3f s), %.2f of the official route\n", mb / n, n, o / n
  printf "PROJ EPSG:3763->32629 %.1f MB/s  (%.3f s), %.2f of the official route\n", mb / p, p, o / p
}'
