#!/usr/bin/env bash
# kelvrin-cli.exe under wine against the Linux build's kelvrin-cli: every
# drawing of the corpus and the examples on a polynomial, an island and a
# grid route, in both modes, byte for byte and message for message; then
# standard input to standard output, an output folder with accents, a
# pattern of file names that the program expands on Windows, and a
# drawing large enough to be converted in pieces by helper threads.
# Usage: same_as_linux.sh LINUX_BIN_FOLDER WINDOWS_CLI CORPUS EXAMPLES WORK
# Exit 77 (skipped) when the Linux build is not there.
set -uo pipefail
linux_bin=$1 windows_cli=$2 corpus=$3 examples=$4 work=$5
linux_cli=$linux_bin/kelvrin-cli
if [[ ! -x $linux_cli ]]; then
  echo "SKIPPED: no Linux build at $linux_bin"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work/linux" "$work/windows"
failures=0
fail() { echo "DIFFERENT: $*"; failures=$((failures + 1)); }

# Runs both programs in their own folder with the same arguments; their
# outputs and statuses must be the same, their messages too once
# backslashes read as slashes.
both() {
  local name=$1
  shift
  (cd "$work/linux" && "$linux_cli" "$@" >"$name.out" 2>"$name.err"; echo $? >"$name.status")
  (cd "$work/windows" && wine "$windows_cli" "$@" >"$name.out" 2>"$name.err"; echo $? >"$name.status")
  # (both sides: the paths a drawing names, in its own words, have them too)
  sed -i 's|\\|/|g' "$work/windows/$name.err" "$work/windows/$name.out" \
    "$work/linux/$name.err" "$work/linux/$name.out"
  for kind in status err out; do
    cmp -s "$work/linux/$name.$kind" "$work/windows/$name.$kind" || fail "$name.$kind"
  done
}

# The corpus lies beside the sources, not in them: a clone elsewhere compares
# the examples alone (a pattern that matches nothing would be compared as
# the shell's word on Linux and the program's own expansion on Windows).
shopt -s nullglob
corpus_drawings=("$corpus"/*.dxf)
ezdxf_drawings=("$corpus"/ezdxf__*.dxf)
shopt -u nullglob
[[ ${#corpus_drawings[@]} -gt 0 ]] || echo "no corpus at $corpus: the examples alone are compared"
inputs=("${corpus_drawings[@]}" "$examples"/*.dxf)
for route in "tm06 datum73" "sao-braz utm26-itrf93" "datum73 lisboa"; do
  read -r from to <<<"$route"
  mkdir -p "$work"/{linux,windows}/{"$from-$to","$from-$to-literal"}
  both "$from-$to" --from "$from" --to "$to" -q --output-dir "$from-$to" "${inputs[@]}"
  both "$from-$to-literal" --literal --from "$from" --to "$to" -q \
    --output-dir "$from-$to-literal" "${inputs[@]}"
done

(cd "$work/linux" && "$linux_cli" --from tm06 --to datum73 - - <"$examples/planta_tm06.dxf" \
  >stdout.dxf 2>stdout.err)
(cd "$work/windows" && wine "$windows_cli" --from tm06 --to datum73 - - \
  <"$examples/planta_tm06.dxf" >stdout.dxf 2>stdout.err)

mkdir -p "$work/linux/Ação" "$work/windows/Ação"
both accented --from datum73 --to tm06 --output-dir "Ação" "$examples/planta_tm06.dxf"

# A pattern: the Linux shell expands it, kelvrin-cli.exe gets it as typed and
# expands it itself, as cmd leaves it to every Windows program; the output
# folder is made by each program.
for system in linux windows; do
  mkdir -p "$work/$system/drawings" && cp "$examples"/*.dxf "$work/$system/drawings/"
done
(cd "$work/linux" && "$linux_cli" -q --from tm06 --to datum73 --output-dir pattern drawings/*.dxf \
  >pattern.out 2>pattern.err; echo $? >pattern.status)
(cd "$work/windows" && wine "$windows_cli" -q --from tm06 --to datum73 --output-dir pattern \
  'drawings/*.dxf' >pattern.out 2>pattern.err; echo $? >pattern.status)
for kind in status err out; do
  cmp -s "$work/linux/pattern.$kind" "$work/windows/pattern.$kind" || fail "pattern.$kind"
done
rm -r "$work/linux/drawings" "$work/windows/drawings"
(cd "$work" && wine "$windows_cli" --from tm06 --to datum73 --output-dir none 'nada*.dxf' \
  >none.out 2>none.err; echo $? >none.status)
[[ $(cat "$work/none.status") == 2 && ! -e $work/none ]] || fail "pattern without files"
grep -qF 'nenhum ficheiro corresponde a "nada*.dxf"' "$work/none.err" || fail "none.err"

"$linux_bin/kelvrin_make_drawing" "$work/large.dxf" 60 >/dev/null
both large --from tm06 --to datum73 --threads 2 "$work/large.dxf" large.dxf

# PROJ, where the Windows build ships it: the NTv2 grids and a PROJ route,
# equal to the Linux build but for the last digits of PROJ's own arithmetic.
if compgen -G "$(dirname "$windows_cli")/libproj_*.dll" >/dev/null; then
  for case in "ntv2 --method ntv2 --from tm06 --to datum73" "proj --from EPSG:3763 --to EPSG:32629"; do
    read -r name arguments <<<"$case"
    mkdir -p "$work"/{linux,windows}/"$name"
    # shellcheck disable=SC2086 # the arguments are words
    both "$name" $arguments -q --output-dir "$name" "$examples"/*.dxf "${ezdxf_drawings[@]}"
    for converted in "$work/linux/$name"/*.dxf; do
      /usr/bin/python3 "$(dirname "$0")/close_to_linux.py" "$converted" \
        "$work/windows/$name/$(basename "$converted")" >/dev/null || fail "$converted"
    done
    mv "$work/linux/$name" "$work/linux-$name" && mv "$work/windows/$name" "$work/windows-$name"
  done
else
  echo "PROJ is not beside $windows_cli: its routes were not compared"
fi

if ! diff -r "$work/linux" "$work/windows" >"$work/differences.txt"; then
  fail "files (see $work/differences.txt)"
fi
rm -f "$work/large.dxf" "$work"/*/large.dxf
converted=$(find "$work/windows" -name '*.dxf' | wc -l)
echo "$converted drawings converted by both programs; $failures differences"
[[ $failures -eq 0 ]]
