#!/usr/bin/env bash
# Builds kelvrin twice, optimised and under AddressSanitizer + UBSan, and runs
# every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
