#!/usr/bin/env bash
# Takes the README's screenshots (docs/screenshots/main_window.png, settings_dialog.png, the main
# window with contacts waiting, the list of them and the import window): VELKOR's first start, on
# a virtual display at 96 dots per inch, then again at 150 % (the files end in "_150").
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKOR_BUILD_DIR:-$here/build}

bash "$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target velkor-screenshots

xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$build/bin/velkor-screenshots" "$here/docs/screenshots" "$here/share/program"
QT_SCALE_FACTOR=1.5 xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" \
  "$build/bin/velkor-screenshots" "$here/docs/screenshots" "$here/share/program" _150
