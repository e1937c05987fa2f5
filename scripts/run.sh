#!/usr/bin/env bash
# Installs what is missing, builds VELKOR and starts it from a program folder under the build tree.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKOR_BUILD_DIR:-$here/build}

bash "$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target velkor velkor-cli velkor_help

program="$build/program"
mkdir -p "$program"
cp -f "$build/bin/velkor" "$build/bin/velkor-cli" "$program/"
if [ -d "$here/share/program" ]; then
  # Sample country files, only where the folder has none of its own yet. (Not "cp -n": newer
  # coreutils report a skipped file as a failure, which would end this script on a second run.)
  for f in "$here/share/program/"*; do
    [ -e "$program/$(basename "$f")" ] || cp -r "$f" "$program/"
  done
fi
if [ -d "$build/share" ]; then
  cp -rf "$build/share/." "$program/"
fi

cd "$program"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting VELKOR on a virtual display (xvfb-run)."
  exec xvfb-run -a ./velkor
fi
exec ./velkor
