#!/usr/bin/env bash
# Makes app/windows/kelvrin.ico, the Windows programs' icon, from
# app/kelvrin.svg: every size Windows asks for at 100 % to 200 % and in
# Explorer's large views, the 256-pixel one stored as PNG. Run it again
# after the drawing changes and commit the result.
# Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
images=()
for size in 16 20 24 32 40 48 64; do
  rsvg-convert -w "$size" -h "$size" app/kelvrin.svg -o "$work/$size.png"
  images+=("$work/$size.png")
done
rsvg-convert -w 256 -h 256 app/kelvrin.svg -o "$work/256.png"
icotool --create --output app/windows/kelvrin.ico "${images[@]}" --raw "$work/256.png"
icotool --list app/windows/kelvrin.ico
