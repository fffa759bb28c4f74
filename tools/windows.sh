#!/usr/bin/env bash
# Builds the Windows programs on Debian (mingw-w64), with PROJ built for
# Windows from Debian's sources (once), and runs their tests under wine,
# kelvrin-cli.exe against the Linux build (the default preset's) when it is
# there; then makes the installer and the portable zip
# (build/windows/kelvrin-VERSION-setup.exe, kelvrin-VERSION-windows.zip).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh --windows
tools/windows_proj.sh
echo "== windows"
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
cmake --build --preset windows --target windows-installer
