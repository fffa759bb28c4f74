#!/usr/bin/env bash
# The Windows installer, made from this build (tools/windows_installer.sh) and
# run under wine in a prefix of its own:
#  1. on a plain profile: a silent install into the default folder; the files
#     (those of the portable zip, byte for byte, and the uninstaller), the
#     Start-menu entry and "Abrir com" when the build has kelvrin.exe, the
#     installed-apps entry; the installed kelvrin-cli.exe converts a drawing
#     on a grid route, and with PROJ by the NTv2 method, as the build's own
#     does; the silent uninstall (QuietUninstallString) leaves what an
#     installation may touch as it was before the install.
#  2. beside a CAD program that owns .dxf, into a folder the user chose: an
#     installer with the window (a stand-in kelvrin.exe while the build has
#     none) adds its entries and leaves the CAD program's; one without it
#     (the build's, or the build's files but kelvrin.exe), run over it, takes
#     the window's away again and installs into the same folder; the
#     uninstaller leaves the CAD program's association, the chosen folder and
#     its other files as they were.
# What an installation may touch is compared, not the whole prefix: wine
# itself writes into its registry at moments of its own (the machine's
# network cards under HKLM), and that is no installer's doing.
# Usage: installer_test.sh SOURCES BUILD VERSION WORK
# Exit 77 (skipped) without makensis or wine.
set -uo pipefail
sources=$1 build=$2 version=$3 work=$4
for tool in makensis wine wineboot wineserver; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: no $tool (tools/setup.sh --windows installs it)"
    exit 77
  fi
done
rm -rf "$work" && mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No desktop menus, and neither Mono nor Gecko asked for.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
section() { echo "== $* ($SECONDS s)"; }
# Wine's server stays up between the test's own short programs (one started
# while a server shuts down may fail to start), and is let go around the
# installers and the uninstaller: `wineserver -w` then returns only when
# every program they started has ended (the uninstaller's copy of itself in
# the temporary folder too, which goes on after the uninstaller has
# returned) and the server has saved the registry and ended with them.
trap 'wineserver -k 2>/dev/null' EXIT
server_up() { wineserver -p </dev/null >/dev/null 2>&1; }
server_down() {
  wineserver -k 2>/dev/null
  timeout 60 wineserver -w
}
# to_the_end WHAT COMMAND...: COMMAND (its output in $work/wine.out), then
# everything it started, ended; status 1 when COMMAND's status is not 0 or
# its programs are still running after five minutes.
to_the_end() {
  local what=$1 status
  shift
  server_down
  "$@" </dev/null >>"$work/wine.out" 2>&1
  status=$?
  ((status == 0)) || fail "$what: status $status"
  if ! timeout 300 wineserver -w; then
    fail "$what: still running after five minutes"
    status=1
  fi
  server_up
  return "$status"
}

# Paths both ways without asking wine: this folder's through drive Z:, the
# prefix's own through drive C:.
windows_path() { echo "Z:${1//\//\\}"; }
unix_path() {
  local path=$1
  [[ $path == [Cc]:\\* ]] || {
    echo "not on drive C: [$path]" >&2
    return 1
  }
  path=${path:3}
  echo "$WINEPREFIX/drive_c/${path//\\//}"
}

# The user's registry under HKCU\Software, read at once by `reg export` into
# $work/$1.registry as lines: "KEY" for each key, "KEY<tab>NAME<tab>VALUE"
# for each value (NAME empty for the default; strings as written, DWORDs as
# `reg query` shows them, 0x1; the other kinds as exported). Status 1 when
# wine could not export it: that says nothing about any key.
read_registry() {
  local lines=$work/$1.registry
  rm -f "$work/export.reg"
  if ! wine reg export 'HKCU\Software' "$(windows_path "$work/export.reg")" /y >/dev/null 2>&1; then
    fail "reg export HKCU\\Software ($1)"
    return 1
  fi
  iconv -f UTF-16 -t UTF-8 "$work/export.reg" | awk '
    function unquoted(text,   out, i, c) {
      for (i = 2; i < length(text); i++) {
        c = substr(text, i, 1)
        if (c == "\\") c = substr(text, ++i, 1)
        out = out c
      }
      return out
    }
    { sub(/\r$/, "") }
    pending != "" { sub(/^ +/, ""); $0 = pending $0; pending = "" }
    /^[@"].*\\$/ { pending = substr($0, 1, length($0) - 1); next }
    /^\[.*\]$/ {
      key = substr($0, 2, length($0) - 2)
      sub(/^HKEY_CURRENT_USER/, "HKCU", key)
      print key
      next
    }
    key == "" { next }
    /^@=/ { name = ""; data = substr($0, 3) }
    /^"/ {
      for (i = 2; i <= length($0); i++) {
        c = substr($0, i, 1)
        if (c == "\\") i++
        else if (c == "\"") break
      }
      name = unquoted(substr($0, 1, i))
      data = substr($0, i + 2)
    }
    !/^[@"]/ { next }
    data ~ /^"/ { data = unquoted(data) }
    data ~ /^dword:/ { data = substr(data, 7); sub(/^0+/, "", data); data = "0x" (data == "" ? "0" : data) }
    data == "hex(0):" { data = "" }
    { print key "\t" name "\t" data }' >"$lines"
}
# The value NAME ("" for the default) of KEY in the registry as last read,
# or status 1 when the key or the value is not there.
reg_value() {
  awk -F'\t' -v key="$1" -v name="$2" '
    NF == 3 && tolower($1) == tolower(key) && tolower($2) == tolower(name) { print $3; found = 1; exit }
    END { exit !found }' "$registry"
}
expect_value() {
  local key=$1 name=$2 expected=$3 actual
  if ! actual=$(reg_value "$key" "$name"); then
    fail "$key \"$name\" is missing"
  elif [[ $actual != "$expected" ]]; then
    fail "$key \"$name\" is [$actual], not [$expected]"
  fi
}
expect_no_value() {
  local key=$1 name=$2 actual
  if actual=$(reg_value "$key" "$name"); then
    fail "$key \"$name\" is there ([$actual])"
  fi
}
expect_no_key() {
  if awk -F'\t' -v key="$1" 'NF == 1 && tolower($1) == tolower(key) { found = 1; exit }
                             END { exit !found }' "$registry"; then
    fail "$1 is there"
  fi
}

section "the installers"
# The build's, and the other kind from the same files: without the window
# when the build has it, with kelvrin-cli.exe standing in for it otherwise.
with_window=0 with_proj=0
[[ -f $build/bin/kelvrin.exe ]] && with_window=1
compgen -G "$build/bin/libproj_*.dll" >/dev/null && with_proj=1
mkdir -p "$work/other/bin"
grep '^KELVRIN_WINDOWS_PROJ:' "$build/CMakeCache.txt" >"$work/other/CMakeCache.txt"
(cd "$build/bin" && cp kelvrin-cli.exe ./*.asc ./*.gsb "$work/other/bin/" &&
  for file in libproj_*.dll proj.db; do [[ ! -f $file ]] || cp "$file" "$work/other/bin/"; done) ||
  exit 1
((with_window)) || cp "$build/bin/kelvrin-cli.exe" "$work/other/bin/kelvrin.exe"
bash "$sources/tools/windows_installer.sh" "$build" "$version" "$work/out" &
bash "$sources/tools/windows_installer.sh" "$work/other" "$version" "$work/out-other" || exit 1
wait $! || exit 1
setup=$work/out/kelvrin-$version-setup.exe
portable=$work/out/kelvrin-$version-windows.zip
window_setup=$setup plain_setup=$work/out-other/kelvrin-$version-setup.exe
((with_window)) || { window_setup=$plain_setup plain_setup=$setup; }
mkdir -p "$work/portable"
(cd "$work/portable" && cmake -E tar xf "$portable") || fail "the zip does not open"
portable_files=$(cd "$work/portable/kelvrin-$version" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort)
# The texts a user opens read in Notepad: a UTF-8 mark, CR LF line ends;
# the licence names only files that are there.
for text in LICENSE.txt grids.txt README.txt; do
  file=$work/portable/kelvrin-$version/$text
  [[ $(head -c3 "$file" | od -An -tx1 | tr -d ' ') == efbbbf ]] || fail "$text has no UTF-8 mark"
  lf_only=$(grep -c $'[^\r]$\|^$' "$file")
  ((lf_only == 0)) || fail "$text has $lf_only lines without CR LF"
done
cmp -s <(tail -c +4 "$work/portable/kelvrin-$version/README.txt" | tr -d '\r') "$sources/docs/guia.md" ||
  fail "README.txt is not the user's guide"
grep -q 'grids\.txt' "$work/portable/kelvrin-$version/LICENSE.txt" ||
  fail "LICENSE.txt does not point to grids.txt"

section "a prefix of its own"
mkdir "$WINEPREFIX"
# wineboot returns before wine's own first-start work is done; the test
# starts after it.
to_the_end wineboot wineboot --init || exit 1
# Keys every Windows profile has, which no uninstaller takes away.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Classes]' '' \
  '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall]' >"$work/profile.reg"
wine reg import "$(windows_path "$work/profile.reg")" >/dev/null 2>&1 || fail "reg import"
{
  read -r localappdata
  read -r appdata
  read -r profile
} < <(wine cmd /c 'echo %LOCALAPPDATA%&echo %APPDATA%&echo %USERPROFILE%' | tr -d '\r')
shortcut=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\kelvrin.lnk") &&
  unix_path "$localappdata" >/dev/null && unix_path "$profile" >/dev/null || exit 1
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\kelvrin'
classes='HKCU\Software\Classes'
chosen="$profile\\Ferramentas de CAD"

# What an installation may touch, as lines in $work/$1.state (the registry
# as read, in $work/$1.registry, beside): the keys it writes, each with its
# values and subkeys (Applications itself only: it may hold other
# programs'); the folder of per-user programs, the Start menu's and the
# folder the user chooses, each file with its contents' sum.
snapshot() {
  local root name
  read_registry "$1"
  registry=$work/$1.registry
  {
    awk -F'\t' -v uninstall="$uninstall_key" -v classes="$classes" '
      function within(key, root) {
        key = tolower(key); root = tolower(root)
        return key == root || index(key, root "\\") == 1
      }
      within($1, uninstall) || within($1, classes "\\kelvrin.dxf") ||
        within($1, classes "\\.dxf") || within($1, classes "\\Applications\\kelvrin.exe") ||
        tolower($1) == tolower(classes "\\Applications")' "$registry"
    for root in "$localappdata\\Programs" "$appdata\\Microsoft\\Windows\\Start Menu" "$chosen"; do
      root=$(unix_path "$root") || continue
      name=${root#"$WINEPREFIX/"}
      if [[ ! -e $root ]]; then
        echo "$name: not there"
        continue
      fi
      (cd "$root" && find . -printf "$name/%P %y\\n" &&
        find . -type f -exec md5sum {} + | sed "s|  \\./|  $name/|") | LC_ALL=C sort
    done
  } >"$work/$1.state"
}
# The state now is the one snapshot $1 took.
same_as_snapshot() {
  local before=$1 after=$2
  snapshot "$after" || return
  if ! diff "$work/$before.state" "$work/$after.state" >"$work/$after.diff"; then
    fail "the uninstall left changed what it should have left as it was (< before, > after):"
    head -20 "$work/$after.diff"
  fi
}

# Checks an installation in the Windows folder $1, with the window or not ($2).
check_installation() {
  local folder=$1 window=$2 unix_folder installed expected file
  unix_folder=$(unix_path "$folder") || return
  expected=$( (grep -v '^kelvrin\.exe$' <<<"$portable_files"; echo desinstalar.exe
    ((window)) && echo kelvrin.exe) | LC_ALL=C sort)
  installed=$(cd "$unix_folder" 2>/dev/null && find . -printf '%P\n' | sed 1d | LC_ALL=C sort)
  [[ $installed == "$expected" ]] || fail "installed files: ${installed//$'\n'/ }, not ${expected//$'\n'/ }"
  # The other installer's files are the build's too, a stand-in kelvrin.exe
  # apart.
  for file in $expected; do
    [[ -f $work/portable/kelvrin-$version/$file ]] || continue
    cmp -s "$work/portable/kelvrin-$version/$file" "$unix_folder/$file" ||
      fail "$file installed is not the zip's"
  done
  if ((window)); then
    [[ -f $unix_folder/kelvrin.exe ]] || fail "kelvrin.exe is not installed"
    if [[ ! -f $shortcut ]]; then
      fail "no Start-menu entry"
    elif ! strings -el "$shortcut" | grep -qiF "$folder\\kelvrin.exe"; then
      fail "the Start-menu entry does not open $folder\\kelvrin.exe"
    fi
    expect_value "$classes\\kelvrin.dxf" "" "Desenho DXF"
    expect_value "$classes\\kelvrin.dxf\\DefaultIcon" "" "$folder\\kelvrin.exe,0"
    expect_value "$classes\\kelvrin.dxf\\shell\\open\\command" "" "\"$folder\\kelvrin.exe\" \"%1\""
    expect_value "$classes\\.dxf\\OpenWithProgids" kelvrin.dxf ""
    expect_value "$classes\\Applications\\kelvrin.exe" FriendlyAppName kelvrin
    expect_value "$classes\\Applications\\kelvrin.exe\\shell\\open\\command" "" \
      "\"$folder\\kelvrin.exe\" \"%1\""
    expect_value "$uninstall_key" DisplayIcon "$folder\\kelvrin.exe,0"
  else
    [[ ! -e $unix_folder/kelvrin.exe ]] || fail "kelvrin.exe is installed"
    [[ ! -e $shortcut ]] || fail "a Start-menu entry without the window"
    expect_no_key "$classes\\kelvrin.dxf"
    expect_no_key "$classes\\Applications\\kelvrin.exe"
    expect_no_value "$classes\\.dxf\\OpenWithProgids" kelvrin.dxf
    expect_value "$uninstall_key" DisplayIcon "$folder\\kelvrin-cli.exe,0"
  fi
  expect_value "$uninstall_key" DisplayName kelvrin
  expect_value "$uninstall_key" DisplayVersion "$version"
  expect_value "$uninstall_key" Publisher "The kelvrin developers"
  expect_value "$uninstall_key" InstallLocation "$folder"
  expect_value "$uninstall_key" UninstallString "\"$folder\\desinstalar.exe\""
  expect_value "$uninstall_key" QuietUninstallString "\"$folder\\desinstalar.exe\" /S"
  expect_value "$uninstall_key" NoModify 0x1
  expect_value "$uninstall_key" NoRepair 0x1
  local size
  size=$(reg_value "$uninstall_key" EstimatedSize) || size=0
  local kb=$(($(du -sk --apparent-size "$unix_folder" | cut -f1)))
  ((size > kb / 2 && size < kb * 2)) || fail "EstimatedSize $size KB for $kb KB installed"
}

# install NAME SETUP [ARGUMENTS]: the installer run silently to its end, and
# the registry read after it (in $work/NAME.registry).
install() {
  local name=$1 setup=$2
  shift 2
  to_the_end "$name" wine "$setup" /S "$@"
  read_registry "$name"
  registry=$work/$name.registry
}

# The silent uninstall, the command line the installed-apps entry gives for
# it run as it stands. The uninstaller copies itself into the temporary folder
# and returns at once: to_the_end waits for the copy.
uninstall() {
  local quiet
  quiet=$(reg_value "$uninstall_key" QuietUninstallString) || {
    fail "no QuietUninstallString"
    return
  }
  printf '@%s\r\n' "$quiet" >"$work/uninstall.bat"
  to_the_end "the uninstaller" wine cmd /c "$(windows_path "$work/uninstall.bat")"
}

section "1: the build's installer on a plain profile"
snapshot plain
install installed "$setup"
folder="$localappdata\\Programs\\kelvrin"
check_installation "$folder" "$with_window"
# The installed kelvrin-cli.exe and the build's on a grid route, and with
# PROJ by the NTv2 method.
drawing=$sources/examples/planta_tm06.dxf
routes=("--from datum73 --to lisboa")
((with_proj)) && routes+=("--method ntv2 --from tm06 --to lisboa")
for route in "${routes[@]}"; do
  rm -f "$work/installed.dxf" "$work/built.dxf"
  # shellcheck disable=SC2086
  wine "$(unix_path "$folder")/kelvrin-cli.exe" -q $route "$drawing" "$work/installed.dxf" ||
    fail "the installed kelvrin-cli.exe $route ($?)"
  # shellcheck disable=SC2086
  wine "$build/bin/kelvrin-cli.exe" -q $route "$drawing" "$work/built.dxf" ||
    fail "the build's kelvrin-cli.exe $route ($?)"
  if [[ ! -s $work/built.dxf ]] || ! cmp -s "$work/installed.dxf" "$work/built.dxf"; then
    fail "the installed kelvrin-cli.exe converts otherwise than the build's ($route)"
  fi
done
uninstall
same_as_snapshot plain plain-after
expect_no_key "$uninstall_key"

section "2: beside a CAD program, into a folder of the user's"
mkdir -p "$(unix_path "$chosen")"
echo "de outro programa" >"$(unix_path "$chosen")/outro.txt"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Classes\.dxf]' '@="OutroCAD.Desenho"' '' \
  '[HKEY_CURRENT_USER\Software\Classes\.dxf\OpenWithProgids]' '"OutroCAD.Desenho"=hex(0):' '' \
  '[HKEY_CURRENT_USER\Software\Classes\OutroCAD.Desenho\shell\open\command]' \
  '@="\"C:\\OutroCAD\\outrocad.exe\" \"%1\""' >"$work/cad.reg"
wine reg import "$(windows_path "$work/cad.reg")" >/dev/null 2>&1 || fail "reg import"
snapshot cad
folder="$chosen\\kelvrin"
# /D= takes the rest of the command line, blanks and all, unquoted.
# shellcheck disable=SC2086
install "window-installed" "$window_setup" /D=$folder
check_installation "$folder" 1
expect_value "$classes\\.dxf" "" OutroCAD.Desenho
expect_value "$classes\\.dxf\\OpenWithProgids" OutroCAD.Desenho ""
# The installer without the window over it: the same folder, the window's
# entries gone.
install "plain-installed" "$plain_setup"
check_installation "$folder" 0
expect_value "$classes\\.dxf" "" OutroCAD.Desenho
expect_value "$classes\\.dxf\\OpenWithProgids" OutroCAD.Desenho ""
uninstall
same_as_snapshot cad cad-after

server_down
if ((failures == 0)); then
  rm -rf "$WINEPREFIX"
  echo "installer: $(du -k "$setup" | cut -f1) KB; every check passed in $SECONDS s"
fi
[[ $failures -eq 0 ]]
