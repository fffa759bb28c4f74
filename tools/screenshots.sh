#!/usr/bin/env bash
# Pictures of the windows under Xvfb with the fonts the program really uses,
# with a window manager so the title bar and borders are in the picture.
#   tools/screenshots.sh [OUTPUT_FOLDER]     (default: docs)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
tools/setup.sh
if ! command -v openbox >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends openbox >/dev/null
fi
cmake --preset default >/dev/null
cmake --build --preset default --target kelvrin-window-screenshots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c \
  "openbox & sleep 1; QT_QPA_PLATFORM=xcb build/default/bin/kelvrin-window-screenshots '$out'"
ls -l "$out"/*.png
