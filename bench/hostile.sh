#!/usr/bin/env bash
# Memory under hostile drawings: a drawing of coordinates only (2 GB by
# default), a drawing with one line of 1 MiB (the longest a drawing may have)
# and one of 64 MB (refused). Peak resident memory must follow the longest
# line, never the size of the file.
#   bench/hostile.sh [SIZE_MB]
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-2000}
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
bin=build/release/bin
out=bench/out
mkdir -p "$out"

coordinates="$out/coordinates_${size_mb}mb.dxf"
[[ -f $coordinates ]] || "$bin/kelvrin_make_drawing" "$coordinates" "$size_mb" coordinates
read -r seconds kib < <("$bin/kelvrin_measure" "$bin/kelvrin-cli" --from tm06 --to datum73 \
  "$coordinates" "$out/coordinates_converted.dxf" 2>/dev/null | tail -n 1)
awk -v bytes="$(stat -c %s "$coordinates")" -v s="$seconds" -v kib="$kib" 'BEGIN {
  printf "coordinates only   %.0f MB in %.2f s (%.0f MB/s), peak %.1f MB resident\n",
         bytes / 1e6, s, bytes / 1e6 / s, kib / 1024 }'
rm -f "$out/coordinates_converted.dxf"

for line_bytes in 1048576 67108864; do
  long_line="$out/long_line_$line_bytes.dxf"
  if [[ ! -f $long_line ]]; then
    { printf '0\r\nSECTION\r\n2\r\nENTITIES\r\n1\r\n'; head -c "$line_bytes" /dev/zero | tr '\0' 'x';
      printf '\r\n10\r\n1.0\r\n20\r\n2.0\r\n0\r\nEOF\r\n'; } > "$long_line"
  fi
  read -r seconds kib < <("$bin/kelvrin_measure" "$bin/kelvrin-cli" --from tm06 --to datum73 \
    "$long_line" "$out/long_line_converted.dxf" 2>/dev/null | tail -n 1)
  awk -v s="$seconds" -v kib="$kib" -v bytes="$line_bytes" 'BEGIN {
    printf "one %d-byte line  %.2f s, peak %.1f MB resident\n", bytes, s, kib / 1024 }'
  rm -f "$out/long_line_converted.dxf"
done
