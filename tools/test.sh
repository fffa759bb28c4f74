#!/usr/bin/env bash
# Checks the formatting, builds kelvrin three times (optimised with debug
# information, under AddressSanitizer + UBSan, and as released at -O3), and
# runs every test in each build; then builds the Windows programs and tests
# them under wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
tools/check_format.sh
for preset in default asan release; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
tools/windows.sh
