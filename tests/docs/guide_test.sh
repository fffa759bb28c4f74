#!/usr/bin/env bash
# The user's guide as a user follows it: every ```sh block of docs/guia.md
# runs, in order, in one empty folder, with the build's programs first on
# PATH and the example drawing where the package installs it (the guide's
# /usr/share/doc/kelvrin/examples stands for the sources' examples/). Blocks
# the test cannot run (installing, Windows) are fenced as ```bash or ```bat.
# Then the guide's table of systems against what `kelvrin-cli --list` says.
#   guide_test.sh GUIDE BIN_FOLDER EXAMPLES WORK
set -uo pipefail
guide=$(realpath "$1") bin=$(realpath "$2") examples=$(realpath "$3") work=$4
rm -rf "$work" && mkdir -p "$work"
export PATH="$bin:$PATH"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# The blocks, one file each.
awk -v out="$work/block" '
  /^```sh$/ { n++; inside = 1; next }
  /^```/ { inside = 0; next }
  inside { print > (out n ".sh") }
' "$guide"
blocks=("$work"/block*.sh)
[[ -e ${blocks[0]} ]] || { echo "no sh blocks in $guide"; exit 1; }

mkdir "$work/user"
for block in $(ls "$work"/block*.sh | sort -V); do
  sed -i "s|/usr/share/doc/kelvrin/examples|$examples|g" "$block"
  if ! (cd "$work/user" && bash -euo pipefail "$block" >"$block.out" 2>"$block.err"); then
    fail "$(basename "$block"): $(cat "$block")"
    cat "$block.out" "$block.err"
  fi
  echo "== $(basename "$block") ran:" && cat "$block"
done

# What the guide says the commands do.
grep -qx "Criado o ficheiro: planta_d73.dxf" "$work"/block*.sh.out ||
  fail "no 'Criado o ficheiro: planta_d73.dxf'"
cmp -s "$work/user/planta_d73.dxf" "$work/user/convertidos/planta_tm06.dxf" ||
  fail "the folder's conversion differs from the single one"
grep -qx "1 de 1 desenhos convertidos, 0 com falha." "$work"/block*.sh.out ||
  fail "no summary of the folder's conversion"

# Each row of the table of systems: its short name and EPSG code as --list
# shows them.
# (A system's names that do not fit the line go on the next, indented.)
list=$(kelvrin-cli --list | sed -e ':a' -e 'N' -e '$!ba' -e 's/\n      / /g')
rows=0
while IFS='|' read -r _ name short code _; do
  name=$(echo "$name" | sed 's/^ *//; s/ *$//')
  [[ $short == *'`'* ]] || continue  # the heading and its rule
  short=$(echo "$short" | tr -d ' `')
  code=$(echo "$code" | tr -d ' ')
  rows=$((rows + 1))
  expected="  $name: $short"
  [[ $code != "—" ]] && expected+=", $code, EPSG:$code ("
  grep -qF -- "$expected" <<<"$list" || fail "table row $name ($short, $code) is not in --list"
done < <(sed -n '/^| Sistema (nome completo)/,/^$/p' "$guide")
[[ $rows -eq 15 ]] || fail "$rows rows in the table of systems, --list has 15"

echo "$((${#blocks[@]})) blocks of the guide run, $rows systems checked; $failures failures"
[[ $failures -eq 0 ]]
