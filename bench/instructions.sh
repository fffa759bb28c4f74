#!/usr/bin/env bash
# Instructions per input byte of kelvrin-cli, DXF-aware and --literal, on
# the 10 MB bench drawing, counted by callgrind (repeatable whatever else
# the machine does): on one thread, and with the helper threads (callgrind
# runs them one at a time, so this counts what the pieces cost in all).
#   bench/instructions.sh [SIZE_MB]      (default: 10 MB)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-10}
source bench/prepare.sh
for mode in aware literal aware-threads literal-threads; do
  flags=(--threads 1)
  [[ $mode == *-threads ]] && flags=()
  [[ $mode == literal* ]] && flags+=(--literal)
  instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin/kelvrin-cli" -q \
      "${flags[@]}" --from tm06 --to datum73 "$drawing" "$out/converted.dxf" 2>&1 |
    awk '/Collected :/ { print $NF }')
  awk -v i="$instructions" -v b="$bytes" -v m="$mode" \
    'BEGIN { printf "%-16s %d instructions, %.1f per byte\n", m, i, i / b }'
done
rm -f "$out/converted.dxf"
