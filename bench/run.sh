#!/usr/bin/env bash
# Converts a large generated drawing with kelvrin-cli, DXF-aware (the
# default) and --literal, and copies it with dd conv=fsync (a durable copy:
# what a conversion that promises a durable output cannot beat), with cp (an
# in-kernel copy) and with cat (a userspace copy), one after the other in
# each round. Each round gives the ratios of the copies' times to the
# conversions' times; the medians of
# those paired ratios over the rounds are reported, with the median MB/s of
# each and the peak resident memory of kelvrin-cli. A third kelvrin-cli run
# has fsync turned off (a preloaded library): what durable replacement costs;
# a fourth is limited to one thread: what the helper threads bring.
# Every output is removed before each run, so none replaces an older file.
#
#   bench/run.sh [SIZE_MB] [ROUNDS]      (defaults: 100 MB, 7 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-100}
rounds=${2:-7}

source bench/prepare.sh

converted="$out/converted.dxf"
copy="$out/copy.dxf"
seconds() { rm -f "$converted" "$copy"; "$bin/kelvrin_measure" "$@" 2>/dev/null | tail -n 1; }
samples=$(mktemp)
trap 'rm -f "$samples" "$converted" "$copy"' EXIT
for ((round = 1; round <= rounds; round++)); do
  read -r aware aware_kib < <(seconds "$bin/kelvrin-cli" -q --from tm06 --to datum73 \
    "$drawing" "$converted")
  read -r literal literal_kib < <(seconds "$bin/kelvrin-cli" -q --literal --from tm06 \
    --to datum73 "$drawing" "$converted")
  read -r unsynced _ < <(seconds env "LD_PRELOAD=$no_fsync_library" "$bin/kelvrin-cli" -q \
    --from tm06 --to datum73 "$drawing" "$converted")
  read -r alone _ < <(seconds "$bin/kelvrin-cli" -q --threads 1 --from tm06 --to datum73 \
    "$drawing" "$converted")
  read -r cp _ < <(seconds cp "$drawing" "$copy")
  read -r cat _ < <(seconds sh -c 'cat "$0" > "$1"' "$drawing" "$copy")
  read -r durable _ < <(seconds dd if="$drawing" of="$copy" bs=1M conv=fsync status=none)
  echo "$aware $literal $unsynced $cp $cat $aware_kib $literal_kib $alone $durable" >>"$samples"
done

awk -v bytes="$bytes" -v rounds="$rounds" '
function median(values, n,    sorted, i, j, t) {
  for (i = 1; i <= n; i++) sorted[i] = values[i]
  for (i = 2; i <= n; i++)
    for (j = i; j > 1 && sorted[j - 1] > sorted[j]; j--) {
      t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t
    }
  return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
}
{
  n++
  aware[n] = $1; literal[n] = $2; unsynced[n] = $3; cp[n] = $4; cat[n] = $5
  aware_cp[n] = $4 / $1; literal_cp[n] = $4 / $2; aware_cat[n] = $5 / $1; literal_cat[n] = $5 / $2
  unsynced_cp[n] = $4 / $3
  alone[n] = $8; speedup[n] = $8 / $1
  durable[n] = $9; aware_durable[n] = $9 / $1; literal_durable[n] = $9 / $2
  if ($6 > kib) kib = $6
  if ($7 > kib) kib = $7
}
END {
  mb = bytes / 1e6
  printf "drawing            %.1f MB, %d rounds, medians\n", mb, rounds
  printf "kelvrin-cli        %7.1f MB/s  DXF-aware\n", mb / median(aware, n)
  printf "kelvrin-cli        %7.1f MB/s  --literal\n", mb / median(literal, n)
  printf "  without fsync    %7.1f MB/s  DXF-aware (fsync: %.0f%% of its time)\n",
         mb / median(unsynced, n), 100 * (1 - median(unsynced, n) / median(aware, n))
  printf "  one thread       %7.1f MB/s  DXF-aware (--threads 1); all threads %.2f times as fast\n",
         mb / median(alone, n), median(speedup, n)
  printf "dd conv=fsync      %7.1f MB/s  (a durable copy)\n", mb / median(durable, n)
  printf "cp                 %7.1f MB/s\n", mb / median(cp, n)
  printf "cat (userspace)    %7.1f MB/s\n", mb / median(cat, n)
  printf "ratio to dd        %.2f DXF-aware, %.2f literal (durable copy)\n",
         median(aware_durable, n), median(literal_durable, n)
  printf "ratio to cp        %.2f DXF-aware, %.2f literal, %.2f DXF-aware without fsync\n",
         median(aware_cp, n), median(literal_cp, n), median(unsynced_cp, n)
  printf "ratio to cat       %.2f DXF-aware, %.2f literal\n", median(aware_cat, n),
         median(literal_cat, n)
  printf "peak memory        %.1f MB resident (kelvrin-cli)\n", kib / 1024
}' "$samples"
