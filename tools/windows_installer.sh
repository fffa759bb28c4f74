#!/usr/bin/env bash
# Makes kelvrin's Windows installer (tools/windows_installer.nsi, Debian's
# makensis) and a portable zip of the same files from a windows build:
#   OUT/kelvrin-VERSION-setup.exe
#   OUT/kelvrin-VERSION-windows.zip   (one folder, kelvrin-VERSION)
# The programs come from BUILD/bin, stripped: kelvrin-cli.exe, and kelvrin.exe
# when it is there; the grid files from BUILD/bin too; PROJ when the build has
# it (its DLL, stripped, and proj.db from BUILD/bin; PROJ.txt, PROJ's licence
# from the PROJ it was built with, KELVRIN_WINDOWS_PROJ in BUILD/CMakeCache.txt,
# and the terms of proj.db's data from Debian's proj-data); LICENSE, the
# user's guide (docs/guia.md, as README.txt) and the grids' credit
# (docs/grelhas.md) from the sources, as .txt files; the example drawing of the
# guide's first conversion in exemplos\.
# Usage: windows_installer.sh BUILD VERSION [OUT]   (OUT: BUILD by default)
# `cmake --build --preset windows --target windows-installer` runs it with the
# project's version.
set -euo pipefail
sources=$(cd "$(dirname "$0")/.." && pwd)
if [[ $# -lt 2 ]]; then
  echo "uso: windows_installer.sh PASTA_DA_COMPILACAO VERSAO [PASTA_DE_SAIDA]" >&2
  exit 2
fi
build=$(cd "$1" && pwd) version=$2 out=${3:-$1}
mkdir -p "$out"
out=$(cd "$out" && pwd)
bin=$build/bin
strip=${KELVRIN_STRIP:-x86_64-w64-mingw32-strip}

setup=$out/kelvrin-$version-setup.exe
zip=$out/kelvrin-$version-windows.zip
work=$(mktemp -d "$out/.kelvrin-installer.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/kelvrin-$version
mkdir "$stage"

# A text a user opens, for Notepad: CR LF line ends and a UTF-8 byte-order
# mark, without which older Notepads read it in the ANSI code page
# ("Madeira â€" ETRS89").
notepad_text() {
  { printf '\xef\xbb\xbf'; sed 's/\r*$/\r/' "$1"; } >"$2"
}

programs=(kelvrin-cli.exe)
defines=()
if [[ -f $bin/kelvrin.exe ]]; then
  programs=(kelvrin.exe kelvrin-cli.exe)
  defines+=(-DWITH_WINDOW)
fi
# strip stamps a PE file with the time it runs unless SOURCE_DATE_EPOCH says
# otherwise: the program keeps the link time in its header (the 4 bytes 8 past
# the PE header, found at 0x3c), so the same build makes the same files.
link_time() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tu4 -j$((header + 8)) -N4 "$1" | tr -d ' '
}
proj_dll=$(cd "$bin" && { compgen -G 'libproj_*.dll' || true; })
if [[ -n $proj_dll ]]; then
  [[ $proj_dll != *$'\n'* ]] || { echo "more than one PROJ in $bin: $proj_dll" >&2; exit 1; }
  programs+=("$proj_dll")
  defines+=(-DPROJ_DLL="$proj_dll")
  proj=$(sed -n 's/^KELVRIN_WINDOWS_PROJ:PATH=//p' "$build/CMakeCache.txt")
  for licence in "$proj/share/doc/proj/COPYING" /usr/share/doc/proj-data/copyright; do
    [[ -f $licence ]] || { echo "PROJ's licence is missing: $licence" >&2; exit 1; }
  done
  cp "$bin/proj.db" "$stage/"
  {
    echo "PROJ (${proj_dll%.dll}), https://proj.org"
    echo
    cat "$proj/share/doc/proj/COPYING"
    echo
    echo "proj.db: the terms of its data (Debian's proj-data)"
    echo
    cat /usr/share/doc/proj-data/copyright
  } >"$work/PROJ.txt"
  notepad_text "$work/PROJ.txt" "$stage/PROJ.txt"
fi
for program in "${programs[@]}"; do
  SOURCE_DATE_EPOCH=$(link_time "$bin/$program") "$strip" -o "$stage/$program" "$bin/$program"
done
for grid in et_lx_m.asc et_lx_p.asc lx_et_m.asc lx_et_p.asc D73_ETRS89_geo.gsb DLX_ETRS89_geo.gsb; do
  cp "$bin/$grid" "$stage/"
done
if [[ -f $sources/app/windows/kelvrin.ico ]]; then
  defines+=(-DICON="$sources/app/windows/kelvrin.ico")
fi
# The licence, which the installer shows too, the grids' credit, and the
# user's guide as README.txt.
notepad_text "$sources/LICENSE" "$stage/LICENSE.txt"
notepad_text "$sources/docs/grelhas.md" "$stage/grids.txt"
notepad_text "$sources/docs/guia.md" "$stage/README.txt"
mkdir "$stage/exemplos"
cp "$sources/examples/planta_tm06.dxf" "$stage/exemplos/"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup.new" \
  "${defines[@]}" "$sources/tools/windows_installer.nsi"
mv -f "$setup.new" "$setup"

(cd "$work" && cmake -E tar cf "$zip.new" --format=zip "kelvrin-$version")
mv -f "$zip.new" "$zip"

echo "Instalador: $setup ($(du -k "$setup" | cut -f1) KB, ${programs[*]})"
echo "Zip portátil: $zip ($(du -k "$zip" | cut -f1) KB)"
