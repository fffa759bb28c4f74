#!/usr/bin/env bash
# A surveyor's point list of POINTS points (P;M;P;Cota;Código with decimal
# commas, CR LF) converted with kelvrin-cli, paired in each round with the
# DXF-aware conversion of the bench drawing and a cp of the list: the MB/s
# and points per second of each, the ratio of the list's speed to the
# drawing's, and the list's peak resident memory (which must not grow with
# the list).
#
#   bench/points.sh [POINTS] [ROUNDS]      (defaults: 10 million points, 5 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
points=${1:-10000000}
rounds=${2:-5}
size_mb=100

source bench/prepare.sh

list="$out/points_${points}.csv"
[[ -f $list ]] || awk -v n="$points" 'BEGIN {
  printf "Ponto;M;P;Cota;Código\r\n"
  for (i = 1; i <= n; i++) {
    x = -120000 + (i * 7919 % 240000) + (i % 1000) / 1000
    y = -280000 + (i * 104729 % 560000) + (i % 997) / 1000
    printf "%d;%.3f;%.3f;%.2f;PT%d\r\n", i, x, y, 50 + i % 100, i % 7
  }
}' | tr . , >"$list"
list_bytes=$(stat -c %s "$list")
cat "$list" >/dev/null

converted="$out/converted"
seconds() { rm -f "$converted"; "$bin/kelvrin_measure" "$@" 2>/dev/null | tail -n 1; }
samples=$(mktemp)
trap 'rm -f "$samples" "$converted"' EXIT
for ((round = 1; round <= rounds; round++)); do
  read -r listed kib < <(seconds "$bin/kelvrin-cli" -q --from tm06 --to datum73 "$list" "$converted")
  read -r drawn _ < <(seconds "$bin/kelvrin-cli" -q --from tm06 --to datum73 "$drawing" "$converted")
  read -r copied _ < <(seconds cp "$list" "$converted")
  echo "$listed $drawn $copied $kib" >>"$samples"
done
awk -v list="$list_bytes" -v drawing="$bytes" -v points="$points" '
function median(values, n,    sorted, i, j, t) {
  for (i = 1; i <= n; i++) sorted[i] = values[i]
  for (i = 2; i <= n; i++)
    for (j = i; j > 1 && sorted[j - 1] > sorted[j]; j--) {
      t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t
    }
  return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
}
{ n++; l[n] = $1; d[n] = $2; c[n] = $3; r[n] = (list / $1) / (drawing / $2); if ($4 > kib) kib = $4 }
END {
  printf "point list        %.1f MB, %d points, %d rounds, medians\n", list / 1e6, points, n
  printf "kelvrin-cli       %7.1f MB/s  %.2f million points/s  point list\n",
         list / 1e6 / median(l, n), points / 1e6 / median(l, n)
  printf "kelvrin-cli       %7.1f MB/s  DXF-aware drawing\n", drawing / 1e6 / median(d, n)
  printf "cp                %7.1f MB/s  point list\n", list / 1e6 / median(c, n)
  printf "list / drawing    %.2f (MB/s against MB/s, paired in each round)\n", median(r, n)
  printf "peak memory       %.1f MB resident (the list)\n", kib / 1024
}' "$samples"
