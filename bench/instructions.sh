#!/usr/bin/env bash
# Instructions per input byte of kelvrin-cli, DXF-aware and --literal, on
# the 10 MB bench drawing, counted by callgrind (repeatable whatever else
# the machine does).
#   bench/instructions.sh [SIZE_MB]      (default: 10 MB)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-10}
source bench/prepare.sh
for mode in aware literal; do
  flags=()
  [[ $mode == literal ]] && flags=(--literal)
  instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin/kelvrin-cli" -q \
      "${flags[@]}" --from tm06 --to datum73 "$drawing" "$out/converted.dxf" 2>&1 |
    awk '/Collected :/ { print $NF }')
  awk -v i="$instructions" -v b="$bytes" -v m="$mode" \
    'BEGIN { printf "%-8s %d instructions, %.1f per byte\n", m, i, i / b }'
done
rm -f "$out/converted.dxf"
