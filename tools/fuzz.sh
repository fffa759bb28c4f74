#!/usr/bin/env bash
# Fuzzes the engine with libFuzzer (clang, AddressSanitizer + UBSan).
#   tools/fuzz.sh [SECONDS] [TARGET...]     (default: 600 seconds, every target)
# Targets: lenient_number pass_polynomial pass_grid pass_aware grid_file parameter_file.
# Each starts from its seeds in tests/fuzz/corpus/TARGET and keeps what it
# grows in build/fuzz/corpus/TARGET; a crash is written to
# build/fuzz/findings/TARGET/. Copy a finding into tests/fuzz/corpus/TARGET
# once fixed: the normal test run replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(lenient_number pass_polynomial pass_grid pass_aware grid_file parameter_file)

tools/setup.sh
command -v clang++ >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for target in "${targets[@]}"; do
  mkdir -p "build/fuzz/corpus/$target" "build/fuzz/findings/$target"
  echo "== $target for $seconds s"
  "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build/fuzz/findings/$target/" \
    "build/fuzz/corpus/$target" "tests/fuzz/corpus/$target" 2>&1 | tail -n 12
done
