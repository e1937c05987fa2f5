#!/usr/bin/env bash
# Takes the README's screenshots (docs/screenshots/main_window.png, settings_dialog.png): VELKOR's
# first start, on a virtual display at 96 dots per inch.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKOR_BUILD_DIR:-$here/build}

bash "$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target velkor-screenshots

xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$build/bin/velkor-screenshots" "$here/docs/screenshots" "$here/share/program"
