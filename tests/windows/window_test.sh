#!/usr/bin/env bash
# The window of kelvrin.exe in the Windows API, under wine on an X server of
# its own (Xvfb), driven by scripts of steps through its real controls and
# the system's real dialogs (kelvrin_window_driver.exe, window_driver.cpp):
# the layouts, the
# focus order, Enter and Escape, F1, the file dialogs, a "Qualquer" and a
# Datum 73 conversion against kelvrin-cli.exe, a drawing on the command line
# and one dropped on the window, and the job's messages.
# Usage: window_test.sh WINDOW_DRIVER_EXE KELVRIN_CLI_EXE EXAMPLES WORK [PICTURES]
# With PICTURES, the windows' pictures go there as PNG (netpbm's bmptopnm
# and pnmtopng). Needs WINEPREFIX; exit 77 (skipped) without Xvfb.
set -uo pipefail
driver=$(realpath "$1") cli=$(realpath "$2") examples=$3 work=$4 pictures=${5:-}
if ! command -v Xvfb >/dev/null; then
  echo "SKIPPED: no Xvfb"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work"
work=$(cd "$work" && pwd)
cp "$examples"/planta_tm06.dxf "$examples"/qualquer_x.txt "$examples"/qualquer_y.txt "$work"/
cp "$examples"/planta_tm06.dxf "$work/planta ação.dxf"
echo "not a drawing" >"$work/notas.doc"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Wine's own fonts where Windows programs look for them: Debian's wine does
# not find them otherwise, and the window would fall back to bitmap fonts.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
# Liberation, the one font of the machine's that wine sees in the build's
# prefix (cmake/Wine.cmake), stands in for Arial.
liberation=/usr/share/fonts/truetype/liberation
if [[ ! -f $liberation/LiberationSans-Regular.ttf ]]; then
  echo "FAILED: no $liberation (tools/setup.sh installs fonts-liberation)"
  exit 1
fi

# An X server of the test's own. Xvfb picks a free display itself and names
# it once it takes connections (-displayfd): another server started at the
# same moment, or a slow start, cannot mislead the test.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.out" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
display=
for ((tries = 0; tries < 600; tries++)); do
  (($(wc -l <"$work/display") > 0)) && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
read -r display <"$work/display"
if [[ -z $display ]]; then
  echo "FAILED: Xvfb did not start: $(cat "$work/xvfb.out")"
  exit 1
fi

# The work folder as C:\Desenhos, a link in the prefix's drive C: paths in
# the window and its pictures as a user's would be.
ln -sfn "$work" "$WINEPREFIX/drive_c/Desenhos"
w='C:\Desenhos'

# run SCRIPT [ARGUMENT]: the window with the steps of SCRIPT, its log in
# SCRIPT.log, in a wine desktop of its own, which draws the windows' frames
# as Windows does. The desktop ends when the window has, and with it `wine
# explorer`.
run() {
  local script=$1
  shift
  DISPLAY=:$display timeout 240 wine explorer /desktop=kelvrin,1024x768 "$driver" \
    "$w\\$script" "$w\\$script.log" "$@" >"$work/$script.out" 2>&1
  if [[ ! -f $work/$script.log ]]; then
    fail "$script: the window wrote no log"
  elif grep -q '^error:' "$work/$script.log"; then
    fail "$script: $(grep -A20 '^error:' "$work/$script.log")"
  fi
}

# expect SCRIPT LINE...: each LINE is a line of the script's log.
expect() {
  local script=$1
  shift
  for line in "$@"; do
    grep -qxF -- "$line" "$work/$script.log" 2>/dev/null || fail "$script: no line \"$line\""
  done
}

# expect_like SCRIPT PATTERN...: each extended regular expression matches a
# whole line of the log (for what wine's own frames and fonts decide).
expect_like() {
  local script=$1
  shift
  for pattern in "$@"; do
    grep -qxE -- "$pattern" "$work/$script.log" 2>/dev/null || fail "$script: no line like $pattern"
  done
}

# The window as it starts; the focus goes round the visible controls in
# the table's order; a Datum 73 source offers ETRS89 TM06 and fills the
# target; "Qualquer" typed in the source box, then Tab, is the taller
# layout with the parameter rows, and converts silently; back on Datum 73,
# the compact layout, the save dialog's suggested name, OK, the completion
# message and the window closed. F1 opens the information window, twice
# with its 12 lines. The fields are named after their labels (wine has no
# annotation service: there the lists and the "Procurar..." buttons keep
# the names the system gives them).
cat >"$work/convert.txt" <<STEPS
state
names
focus
key Tab
focus
key Tab
focus
key Tab
focus
key Tab
focus
key Tab
focus
key Tab
focus
key Tab
focus
key Tab
focus
choose Combo1 Hayford-Gauss Datum 73
state
type Combo1 Qualquer
key Tab
state
press Command3
dialog $w\\planta_tm06.dxf
press Command4
dialog $w\\qualquer.dxf
press Command6
dialog $w\\qualquer_x.txt
press Command7
dialog $w\\qualquer_y.txt
key Enter
wait 400
screenshot main $w\\main_qualquer.bmp
press Command1
wait 500
state
choose Combo1 Hayford-Gauss Datum 73
press Command4
dialog $w\\datum73.dxf
key Escape
wait 400
state
screenshot main $w\\main_compact.bmp
key F1
wait 500
information
screenshot information $w\\information.bmp
close information
wait 300
information
key F1
wait 300
information
close information
wait 300
press Command1
message OK
STEPS
run convert.txt
# The designed outer heights and client width at 96 dots per inch: 5765
# and 7065 twips high, 9285 wide.
expect_like convert.txt \
  "state: layout=compact dpi=96 window=[0-9]+x384 client=619x[0-9]+ caption=Veltra - Ondrasil" \
  "state: layout=qualquer dpi=96 window=[0-9]+x471 client=619x[0-9]+ caption=Veltra - Ondrasil" \
  "information: \[Veltra - Ondrasil\] client=595x246 list x=8 y=8 w=581 h=228 font=.* lines=12"
expect convert.txt \
  "name Text1: Ficheiro DXF no Sistema 1" \
  "name Text2: Ficheiro DXF no Sistema 2" \
  "name Text3: Ficheiro de Parâmetros - X" \
  "name Text4: Ficheiro de Parâmetros - Y" \
  "name Command1: OK" \
  "name Command2: Cancelar" \
  "entries Combo1: Hayford-Gauss Datum 73 | Hayford-Gauss Datum Lisboa-Ponto Central | Açores - G.Oriental - UTM 26 S. Bráz | Açores - Faial - UTM 26 Base SW | Açores - Graciosa - UTM 26 Base SW | Açores - Pico - UTM 26 Base SW | Açores - São Jorge - UTM 26 Base SW | Açores - Terceira - UTM 26 Base SW | Açores - G.Ocidental - UTM 25 Observatório | Madeira - UTM 28 Base SE" \
  "entries Combo2: " \
  "control Combo1 visible=1 x=32 y=104 w=273 h=21 font=Liberation Sans 11 bold text=Hayford-Gauss Datum 73" \
  "control Text3 visible=0 x=32 y=296 w=449 h=19 font=Liberation Sans 11 text=" \
  "control Combo2 visible=1 x=320 y=104 w=273 h=21 font=Liberation Sans 11 bold text=Qualquer" \
  "control Command1 visible=1 x=96 y=384 w=105 h=33 font=Liberation Sans 11 bold text=OK" \
  "control Text3 visible=1 x=32 y=296 w=449 h=19 font=Liberation Sans 11 text=$w\\qualquer_x.txt" \
  "control Text4 visible=1 x=32 y=336 w=449 h=19 font=Liberation Sans 11 text=$w\\qualquer_y.txt" \
  "dialog: [Save As] folder=$w file=planta_tm06_Qualquer.dxf type=Desenhos DXF (*.dxf)" \
  "dialog: [Open] folder=$w file=planta_tm06.dxf type=Todos os ficheiros (*.*)" \
  "control Command1 visible=1 x=96 y=297 w=105 h=33 font=Liberation Sans 11 bold text=OK" \
  "control Text2 visible=1 x=32 y=248 w=449 h=23 font=Liberation Sans 13 bold text=$w\\datum73.dxf" \
  "control Text3 visible=0 x=32 y=296 w=449 h=19 font=Liberation Sans 11 text=$w\\qualquer_x.txt" \
  "information: closed" \
  "line 1:                      -----  Mudança de Sistema de Referência em ficheiros DXF  -----" \
  "line 9: Estes parâmetros podem ser consultados em www.dgterritorio.gov.pt." \
  "message: [Veltra - Kelvrin] Criado o ficheiro: $w\\datum73.dxf"
focus_order=$(grep '^focus: ' "$work/convert.txt.log" | cut -d' ' -f2 | paste -sd' ')
[[ $focus_order == "Combo1 Combo2 Text1 Text2 Command1 Command2 Command3 Command4 Combo1" ]] ||
  fail "focus order: $focus_order"
[[ $(grep -c '^information: \[Veltra - Ondrasil\] .* lines=12$' "$work/convert.txt.log") == 2 ]] ||
  fail "the information window did not open twice with its 12 lines"
grep -q '^done$' "$work/convert.txt.log" && fail "the window stayed open after its conversion"

# The same conversions by kelvrin-cli.exe give the same files.
(cd "$work" && wine "$cli" -q --from datum73 --to tm06 planta_tm06.dxf cli_datum73.dxf &&
  wine "$cli" -q --from qualquer --to qualquer --param-x qualquer_x.txt --param-y qualquer_y.txt \
    planta_tm06.dxf cli_qualquer.dxf) >"$work/cli.out" 2>&1 || fail "kelvrin-cli.exe: $(cat "$work/cli.out")"
cmp -s "$work/datum73.dxf" "$work/cli_datum73.dxf" || fail "datum73.dxf differs from kelvrin-cli.exe's"
cmp -s "$work/qualquer.dxf" "$work/cli_qualquer.dxf" || fail "qualquer.dxf differs from kelvrin-cli.exe's"

# A drawing named on the command line (accents and a blank in its name) is
# the input; a dropped file that is neither a drawing nor a point list is
# not, a dropped drawing is. A source typed and ended with Enter fills the
# targets; Enter and Escape press no button; OK without an output says so;
# OK with the input as the output asks first, and No converts nothing;
# Cancelar closes.
cat >"$work/arguments.txt" <<STEPS
state
drop $w\\notas.doc
wait 200
state
drop $w\\planta_tm06.dxf
type Combo1 Madeira - UTM 28 Base SE
key Enter
key Escape
wait 300
state
press Command1
message OK
type Text2 $w\\planta_tm06.dxf
press Command1
message No
press Command2
STEPS
run arguments.txt "$w\\planta ação.dxf"
expect arguments.txt \
  "control Text1 visible=1 x=32 y=176 w=449 h=23 font=Liberation Sans 13 bold text=$w\\planta ação.dxf" \
  "control Text1 visible=1 x=32 y=176 w=449 h=23 font=Liberation Sans 13 bold text=$w\\planta_tm06.dxf" \
  "control Combo2 visible=1 x=320 y=104 w=273 h=21 font=Liberation Sans 11 bold text=UTM 28 ITRF93" \
  "message: [kelvrin] Definir o ficheiro DXF no Sistema 2!!" \
  "message: [kelvrin] O ficheiro DXF no Sistema 2 é o próprio ficheiro DXF no Sistema 1:"
[[ $(grep -c '^message: ' "$work/arguments.txt.log") == 2 ]] || fail "Enter or Escape pressed a button"
cmp -s "$work/planta_tm06.dxf" "$examples/planta_tm06.dxf" || fail "No converted the drawing over itself"
grep -q '^done$' "$work/arguments.txt.log" && fail "Cancelar left the window open"
[[ $(grep -c 'text=C:.*planta ação.dxf$' "$work/arguments.txt.log") == 2 ]] ||
  fail "a dropped file that is no drawing became the input"

# What a hand test found wrong, each as a user meets it. "Qualquer" typed
# and Tab: the window grows, and OK and Cancelar show drawn as the system
# paints them (nothing asks for the window drawn again). An open source
# list stays open as the arrow keys go through it, as the target list does.
# A long target reads from its start once the focus has left its box. F1
# gives the information window the focus, and Escape closes it. The first
# "Procurar..." opens in the user's documents. (Two arrow keys from an
# empty source box choose the second source, Datum Lisboa.)
cat >"$work/defects.txt" <<STEPS
type Combo1 Qualquer
key Tab
wait 500
state
painted Command1
painted Command2
painted Text3
screenshot main $w\\qualquer_as_painted.bmp
type Combo1 Hayford-Gauss Datum 73
key Tab
wait 300
state
painted Command1
painted Command2
type Combo1
key Alt+Down
wait 300
dropped Combo1
key Down
wait 300
dropped Combo1
key Down
wait 300
dropped Combo1
state
key Escape
wait 300
dropped Combo1
choose Combo1 Hayford-Gauss Datum 73
choose Combo2 Hayford-Gauss Datum Lisboa-Ponto Central (grelhas NTv2)
key Tab
wait 300
focus
state
key F1
wait 500
focus
information
key Escape
wait 300
information
focus
input F1
wait 500
focus
input Escape
wait 300
information
press Command3
dialog cancel
press Command1
message OK
message OK
close
STEPS
run defects.txt
expect defects.txt \
  "painted Command1: yes" \
  "painted Command2: yes" \
  "painted Text3: yes" \
  "dropped Combo1: yes" \
  "dropped Combo1: no" \
  "shown from Combo2: 0" \
  "focus: Text1" \
  "focus: List1" \
  "information: closed"
expect_like defects.txt \
  "state: layout=qualquer dpi=96 window=[0-9]+x471 .*" \
  "control Combo1 visible=1 .* text=Hayford-Gauss Datum Lisboa-Ponto Central" \
  "entries Combo2: (.* \| )?Hayford-Gauss Datum 73( \| .*)?" \
  "control Combo2 visible=1 .* text=Hayford-Gauss Datum Lisboa-Ponto Central \(grelhas NTv2\)" \
  "dialog: \[Open\] folder=C:\\\\users\\\\[^\\\\]+\\\\Documents file= type=.*"
grep -q '^painted .*: no$' "$work/defects.txt.log" && fail "defects: $(grep '^painted .*: no$' "$work/defects.txt.log")"
[[ $(grep -c '^dropped Combo1: yes$' "$work/defects.txt.log") == 3 ]] ||
  fail "the source list closed under the arrow keys: $(grep '^dropped ' "$work/defects.txt.log" | paste -sd' ')"
grep -q '^shown from Combo2: [1-9]' "$work/defects.txt.log" && fail "the long target is cut at its start"

# A step that cannot run, here with the open dialog still up, is told and
# ends the program through its message loops: the window and the dialog
# close, and the program gets past them to its end.
cat >"$work/failing.txt" <<STEPS
press Command3
state
STEPS
DISPLAY=:$display timeout 240 wine explorer /desktop=kelvrin,1024x768 "$driver" \
  "$w\\failing.txt" "$w\\failing.txt.log" >"$work/failing.txt.out" 2>&1
expect_like failing.txt 'error: a dialog nobody expected before "state": \[Open\] .*'
expect failing.txt "closed after 1 of 2 steps"

# The same growth at 144 dots per inch (150 %), the system's setting for
# the run, put back after it.
dpi_key='HKCU\Control Panel\Desktop'
restore_dpi() { wine reg delete "$dpi_key" /v LogPixels /f >/dev/null 2>&1; }
trap 'restore_dpi; kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
if wine reg add "$dpi_key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1; then
  cat >"$work/dpi144.txt" <<STEPS
type Combo1 Qualquer
key Tab
wait 500
state
painted Command1
painted Command2
close
STEPS
  run dpi144.txt
  restore_dpi
  expect_like dpi144.txt "state: layout=qualquer dpi=144 .*"
  expect dpi144.txt "painted Command1: yes" "painted Command2: yes"
else
  fail "the resolution cannot be set"
fi

if [[ -n $pictures ]]; then
  mkdir -p "$pictures"
  for picture in main_compact main_qualquer information; do
    bmptopnm "$work/$picture.bmp" 2>/dev/null | pnmtopng -compression 9 >"$pictures/windows_$picture.png" ||
      fail "no picture $picture"
  done
fi

echo "$failures failures"
[[ $failures -eq 0 ]]
