#!/usr/bin/env bash
# Makes the Debian package of a build, unpacks it into a scratch root, checks
# what it installs and depends on, and converts a drawing on a grid route
# (Datum 73 -> Datum Lisboa) with the unpacked kelvrin-cli, which finds its
# grids in ../share/kelvrin.
#   check_deb.sh BUILD_FOLDER
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
deb=$(echo "$scratch"/package/*.deb)
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root/usr

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libstdc++6 libproj25 proj-data; do
  [[ $depends == *"$package"* ]] || { echo "Depends lacks $package: $depends"; exit 1; }
done
for file in bin/kelvrin-cli share/kelvrin/et_lx_m.asc share/kelvrin/lx_et_p.asc share/kelvrin/D73_ETRS89_geo.gsb share/kelvrin/DLX_ETRS89_geo.gsb \
    share/doc/kelvrin/LICENSE share/doc/kelvrin/grids.md share/man/man1/kelvrin-cli.1 \
    share/doc/kelvrin/README.md share/doc/kelvrin/examples/planta_tm06.dxf \
    share/bash-completion/completions/kelvrin-cli; do
  [[ -f $root/$file ]] || { echo "missing from the package: /usr/$file"; exit 1; }
done
[[ ! -e $root/bin/et_lx_m.asc ]] || { echo "grid files in bin/"; exit 1; }
if [[ -e $root/bin/kelvrin ]]; then
  for file in share/applications/kelvrin.desktop share/man/man1/kelvrin.1 \
      share/icons/hicolor/256x256/apps/kelvrin.png; do
    [[ -f $root/$file ]] || { echo "missing from the package: /usr/$file"; exit 1; }
  done
  [[ $depends == *libqt6widgets6* && $depends == *qt6-translations-l10n* ]] ||
    { echo "Depends lacks Qt: $depends"; exit 1; }
fi

cd "$scratch"
printf '0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nPOINT\r\n10\r\n100005.02816\r\n20\r\n199999.57661\r\n30\r\n0.0\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n' > planta.dxf
"$root/bin/kelvrin-cli" -q --from datum73 --to lisboa planta.dxf saida.dxf
expected=$(printf '0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nPOINT\r\n10\r\n100004.83775\r\n20\r\n200001.96382\r\n30\r\n0.0\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n')
[[ $(cat saida.dxf) == "$expected" ]] || { echo "unexpected conversion:"; cat saida.dxf; exit 1; }
# The installed README is the user's guide, and its first conversion works
# with the installed example.
grep -q '^# kelvrin — guia do utilizador' "$root/share/doc/kelvrin/README.md" ||
  { echo "the installed README is not the user's guide"; exit 1; }
"$root/bin/kelvrin-cli" -q --from tm06 --to datum73 "$root/share/doc/kelvrin/examples/planta_tm06.dxf" \
  planta_d73.dxf
# The NTv2 method finds the national grids in share/kelvrin too.
"$root/bin/kelvrin-cli" -q --method ntv2 --from tm06 --to datum73 planta.dxf ntv2.dxf
echo "package $(basename "$deb"): contents, Depends and a grid conversion checked"
