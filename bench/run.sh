#!/usr/bin/env bash
# Converts a large generated drawing with kelvrin-cli, DXF-aware (the
# default) and --literal, and copies it with cp (an in-kernel copy) and with
# cat (a userspace copy), alternately, in one run, and reports MB/s of each,
# their ratios and the peak resident memory of kelvrin-cli. A third kelvrin-cli run has fsync turned off (a preloaded
# library), which tells what the durable replacement costs.
#
#   bench/run.sh [SIZE_MB] [ROUNDS]      (defaults: 100 MB, 5 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-100}
rounds=${2:-5}

source bench/prepare.sh

no_fsync="LD_PRELOAD=$PWD/build/default/bench/libkelvrin_no_fsync.so"
best_aware=999999; best_literal=999999; best_cp=999999; best_cat=999999; best_unsynced=999999
peak_kib=0
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; }
for ((round = 1; round <= rounds; round++)); do
  read -r aware_s aware_kib < <("$bin/kelvrin_measure" "$bin/kelvrin-cli" --from tm06 --to datum73 \
    "$drawing" "$out/converted.dxf" 2>/dev/null | tail -n 1)
  read -r literal_s literal_kib < <("$bin/kelvrin_measure" "$bin/kelvrin-cli" --literal \
    --from tm06 --to datum73 "$drawing" "$out/converted.dxf" 2>/dev/null | tail -n 1)
  read -r unsynced_s _ < <(env "$no_fsync" "$bin/kelvrin_measure" "$bin/kelvrin-cli" \
    --from tm06 --to datum73 "$drawing" "$out/converted.dxf" 2>/dev/null | tail -n 1)
  read -r cp_s _ < <("$bin/kelvrin_measure" cp "$drawing" "$out/copy.dxf" | tail -n 1)
  read -r cat_s _ < <("$bin/kelvrin_measure" sh -c 'cat "$0" > "$1"' "$drawing" "$out/copy.dxf" |
                      tail -n 1)
  best_aware=$(best "$best_aware" "$aware_s")
  best_literal=$(best "$best_literal" "$literal_s")
  best_cp=$(best "$best_cp" "$cp_s")
  best_cat=$(best "$best_cat" "$cat_s")
  best_unsynced=$(best "$best_unsynced" "$unsynced_s")
  ((aware_kib > peak_kib)) && peak_kib=$aware_kib
  ((literal_kib > peak_kib)) && peak_kib=$literal_kib
  rm -f "$out/converted.dxf" "$out/copy.dxf"
done

awk -v bytes="$bytes" -v aware="$best_aware" -v literal="$best_literal" -v cp="$best_cp" -v cat="$best_cat" -v unsynced="$best_unsynced" \
    -v kib="$peak_kib" -v rounds="$rounds" 'BEGIN {
  mb = bytes / 1e6
  printf "drawing            %.1f MB (best of %d rounds, alternating)\n", mb, rounds
  printf "kelvrin-cli        %.1f MB/s  (%.3f s)  DXF-aware\n", mb / aware, aware
  printf "kelvrin-cli        %.1f MB/s  (%.3f s)  --literal\n", mb / literal, literal
  printf "cp                 %.1f MB/s  (%.3f s)\n", mb / cp, cp
  printf "cat (userspace)    %.1f MB/s  (%.3f s)\n", mb / cat, cat
  printf "DXF-aware/literal  %.2f\n", literal / aware
  printf "without fsync      %.1f MB/s  (%.3f s); fsync costs %.1f%% of the time\n", mb / unsynced,
         unsynced, 100 * (aware - unsynced) / aware
  printf "ratio to cp        %.1f%% DXF-aware, %.1f%% literal\n", 100 * cp / aware, 100 * cp / literal
  printf "ratio to cat       %.1f%% DXF-aware, %.1f%% literal\n", 100 * cat / aware, 100 * cat / literal
  printf "peak memory        %.1f MB resident (kelvrin-cli)\n", kib / 1024
}'
