#!/usr/bin/env bash
# Installs what is missing, builds VELKOR and starts it from a program folder under the build tree.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELKOR_BUILD_DIR:-$here/build}

bash "$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target velkor velkor-cli velkor-demo-partner velkor_help

program="$build/program"
mkdir -p "$program"
program=$(cd "$program" && pwd) # the settings below name files by their full path
cp -f "$build/bin/velkor" "$build/bin/velkor-cli" "$build/bin/velkor-demo-partner" "$program/"
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

# First run only, never over the user's own settings: a starter settings file for the
# demonstration. "WSJT-Xを起動" starts the demo partner, which sends one sample contact and ends;
# it goes to Log/Velkor.adi and to the built-in logbook beside the program. The file is in the
# program's code page (Shift-JIS) with CR LF line ends, as VELKOR writes it.
if [ ! -e "$program/VELKOR.ini" ]; then
  starter=$(mktemp "$program/.VELKOR.ini.XXXXXX")
  chmod 0644 "$starter"
  {
    printf '%s\r\n' \
      "ThDbFile=$program/logbook.velkor" \
      "Com2Rmk1=0" "Com2Rmk2=0" "Pwr2Rmk1=0" "Pwr2Rmk2=0" "SentMrk=" "RcvdMrk=" \
      "QslSent=0" "QslRcvd=0" "QslRoot=0" \
      "JtdxIP=127.0.0.1" "WsjtIP=127.0.0.1" "MshvIP=127.0.0.1" "FreeDvIP=127.0.0.1" \
      "JtdxPort=2433" "WsjtPort=2333" "MshvPort=2233" "FreeDvPort=2133" \
      "JtdxVisible=0" "WsjtVisible=1" "MshvVisible=0" "FreeDvVisible=0" \
      "JtdxFile=" "WsjtFile=$program/velkor-demo-partner" "MshvFile=" "FreeDvFile="
  } | iconv -f UTF-8 -t CP932 >"$starter" 2>/dev/null && mv "$starter" "$program/VELKOR.ini" || {
    rm -f "$starter"
    echo "The program folder's path cannot be written in Shift-JIS; no starter VELKOR.ini was made." >&2
  }
  if [ -e "$program/VELKOR.ini" ]; then
    echo "Wrote a starter VELKOR.ini: choose 設定 > WSJT-Xを起動 to run the demonstration partner."
  fi
fi

cd "$program"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting VELKOR on a virtual display (xvfb-run)."
  exec xvfb-run -a ./velkor
fi
exec ./velkor
