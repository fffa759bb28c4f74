#!/usr/bin/env bash
# Fails when a C++ file of the project is not as clang-format (.clang-format)
# writes it; `tools/check_format.sh --fix` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.hpp')
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
fi
