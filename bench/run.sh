#!/usr/bin/env bash
# Converts a large generated drawing with kelvrin-cli and copies it with cp,
# alternately, in one run, and reports MB/s of each, their ratio and the peak
# resident memory of kelvrin-cli.
#
#   bench/run.sh [SIZE_MB] [ROUNDS]      (defaults: 100 MB, 5 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-100}
rounds=${2:-5}

cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
bin=build/default/bin
out=bench/out
mkdir -p "$out"
drawing="$out/drawing_${size_mb}mb.dxf"
[[ -f $drawing ]] || "$bin/kelvrin_make_drawing" "$drawing" "$size_mb"
bytes=$(stat -c %s "$drawing")
cat "$drawing" >/dev/null  # both start from the page cache

best_cli=999999; best_cp=999999; peak_kib=0
for ((round = 1; round <= rounds; round++)); do
  read -r cli_s cli_kib < <("$bin/kelvrin_measure" "$bin/kelvrin-cli" --from tm06 --to datum73 \
    "$drawing" "$out/converted.dxf" 2>/dev/null | tail -n 1)
  read -r cp_s _ < <("$bin/kelvrin_measure" cp "$drawing" "$out/copy.dxf" | tail -n 1)
  best_cli=$(awk -v a="$best_cli" -v b="$cli_s" 'BEGIN { print (b < a ? b : a) }')
  best_cp=$(awk -v a="$best_cp" -v b="$cp_s" 'BEGIN { print (b < a ? b : a) }')
  ((cli_kib > peak_kib)) && peak_kib=$cli_kib
  rm -f "$out/converted.dxf" "$out/copy.dxf"
done

awk -v bytes="$bytes" -v cli="$best_cli" -v cp="$best_cp" -v kib="$peak_kib" -v rounds="$rounds" 'BEGIN {
  mb = bytes / 1e6
  printf "drawing            %.1f MB (best of %d rounds, alternating)\n", mb, rounds
  printf "kelvrin-cli        %.1f MB/s  (%.3f s)\n", mb / cli, cli
  printf "cp                 %.1f MB/s  (%.3f s)\n", mb / cp, cp
  printf "ratio              %.1f%% of cp\n", 100 * cp / cli
  printf "peak memory        %.1f MB resident (kelvrin-cli)\n", kib / 1024
}'
