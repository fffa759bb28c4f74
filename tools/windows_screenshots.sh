#!/usr/bin/env bash
# Pictures of the Windows window, kelvrin.exe's under wine on Xvfb, taken by
# its test (tests/windows/window_test.sh, which drives it from
# kelvrin_window_driver.exe) as the screen shows it: windows_main_compact.png,
# windows_main_qualquer.png and windows_information.png.
#   tools/windows_screenshots.sh [OUTPUT_FOLDER]     (default: docs)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
tools/setup.sh --windows
if ! command -v pnmtopng >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends netpbm >/dev/null
fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target kelvrin_window_driver kelvrin-cli
export WINEPREFIX=$PWD/build/windows/wine WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
if [[ ! -f $WINEPREFIX/system.reg ]]; then wineboot --init; fi
bash tests/windows/window_test.sh build/windows/bin/kelvrin_window_driver.exe \
  build/windows/bin/kelvrin-cli.exe \
  examples build/windows/window-pictures "$out"
ls -l "$out"/windows_*.png
