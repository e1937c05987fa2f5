#!/usr/bin/env bash
# The Windows program end to end, as a user meets it: the x86_64 zip unpacked into a folder whose
# path holds Japanese and a space, velkor.exe started under wine64 on a virtual display beside a
# VELKOR.ini in the ANSI code page (CP932, CR LF), partners (the project's stand-in program)
# launched from the 設定 menu with the keyboard, contacts sent through Winsock as plain ADIF text
# (WSJT-X) and as a QSO Logged message (FreeDV), HAMLOG's libraries stood in for by the project's
# own recording stand-in. Checked: the caption and status texts while each partner runs and after
# it ends, Log\Velkor.adi (CP932, CR LF), every library call with the exact field texts HAMLOG
# receives (against what the Linux build converts the same contacts to), VELKOR.ini written back
# in CP932 on exit, and the message naming the library when it is missing.
#   VELKOR_WINDOWS_OUT          where scripts/build-windows.sh builds (default build-win)
#   VELKOR_WINDOWS_SCREENSHOTS  a folder: the main window and the settings dialog are saved there as
#                               PNG files on the way (for the README)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${VELKOR_WINDOWS_OUT:-$here/build-win}
bash "$here/scripts/deps.sh" wine64 wine locales xvfb xauth g++-mingw-w64-x86-64 python3 x11-apps netpbm
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi
# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"

zip=$(ls "$out"/dist/VELKOR-*-win64.zip 2>/dev/null | head -n1 || true)
if [ -z "$zip" ]; then
  VELKOR_WINDOWS_ARCHES=x86_64 bash "$here/scripts/build-windows.sh"
  zip=$(ls "$out"/dist/VELKOR-*-win64.zip | head -n1)
fi
linux_cli=${VELKOR_LINUX_CLI:-}
if [ -z "$linux_cli" ]; then
  cmake -S "$here" -B "$out/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$out/linux" -j2 --target velkor-cli >/dev/null
  linux_cli=$out/linux/bin/velkor-cli
fi

e2e=$out/e2e
rm -rf "$e2e"
mkdir -p "$e2e"
cxx=x86_64-w64-mingw32-g++
build_standins "$e2e" "$cxx"
"$cxx" -std=c++17 -O1 -Wall -Wextra -static -o "$e2e/ui_driver.exe" "$here/tests/windows/e2e/ui_driver.cpp" -lshell32

wine_environment "$out"
trap stop_wine EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# The program folder, as unpacked by a user: a Japanese name with a space on its path.
base="$e2e/ハム 局"
mkdir -p "$base"
(cd "$base" && unzip -q "$zip")
program=$(find "$base" -mindepth 1 -maxdepth 1 -type d | head -n1)
cp "$here/share/program/Cty.dat" "$here/share/program/TH_DX.dat" "$program/"
cp "$e2e/standin/full/Hamlog50.dll" "$e2e/standin/full/Thdll2Vb.dll" "$program/"
mkdir -p "$e2e/運用ソフト" "$e2e/ログ"
cp "$e2e/partner_standin.exe" "$e2e/運用ソフト/partner.exe"
database="$e2e/ログ/Hamlog.hdb"
: >"$database"
win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
free_port() { python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wsjt_port=$(free_port)
freedv_port=$(free_port)
partner=$(win "$e2e/運用ソフト/partner.exe")
{
  printf '%s\r\n' "frmTop=1500" "frmLeft=1500" "ThDbFile=$(win "$database")" \
    "Com2Rmk1=1" "Com2Rmk2=0" "Pwr2Rmk1=0" "Pwr2Rmk2=1" "SentMrk=*" "RcvdMrk=" \
    "QslSent=1" "QslRcvd=0" "QslRoot=1" \
    "JtdxIP=127.0.0.1" "WsjtIP=127.0.0.1" "MshvIP=127.0.0.1" "FreeDvIP=127.0.0.1" \
    "JtdxPort=2433" "WsjtPort=$wsjt_port" "MshvPort=2233" "FreeDvPort=$freedv_port" \
    "JtdxVisible=0" "WsjtVisible=1" "MshvVisible=0" "FreeDvVisible=1" \
    "JtdxFile=" "WsjtFile=$partner" "MshvFile=" "FreeDvFile=$partner"
} | iconv -f UTF-8 -t CP932 >"$program/VELKOR.ini"
cp "$program/VELKOR.ini" "$e2e/VELKOR.ini.given"
touch -d '2001-01-01' "$program/VELKOR.ini"

export VELKOR_STANDIN_LOG
VELKOR_STANDIN_LOG=$(win "$e2e/standin.log")
export VELKOR_PARTNER_SLEEP_MS=9000
# Wine leaves Qt's variables of the Linux side out of a Windows program's environment; the user's
# environment in the prefix's registry reaches it. The program then traces what it shows.
wine_user_env() {
  if [ -n "${2:-}" ]; then
    "$wine" reg add 'HKCU\Environment' /v "$1" /d "$2" /f >/dev/null 2>&1
  else
    "$wine" reg delete 'HKCU\Environment' /v "$1" /f >/dev/null 2>&1 || true
  fi
}
wine_user_env QT_LOGGING_RULES "velkor.ui.info=true"
wine_user_env QT_FORCE_STDERR_LOGGING 1
trace=$e2e/trace.log
driver() { timeout 60 "$wine" "$e2e/ui_driver.exe" "$@"; }
cli() { timeout 60 "$wine" "$program/velkor-cli.exe" "$@"; }
# The trace is in the ANSI code page; waits until it holds a line (UTF-8 text), or MS pass.
traced() { iconv -f CP932 -t UTF-8 -c "$trace" 2>/dev/null | tr -d '\r' | sed 's/^velkor\.ui: //' | grep -Fxq "$1"; }
wait_trace() {
  local line=$1 ms=${2:-15000} waited=0
  until traced "$line"; do
    sleep 0.2
    waited=$((waited + 200))
    [ "$waited" -lt "$ms" ] || { fail "never shown: $line"; return 1; }
  done
  pass "shown: $line"
}
shots=${VELKOR_WINDOWS_SCREENSHOTS:-}
# Saves the window whose caption begins with TITLE as SHOTS/NAME.png.
shot() {
  [ -n "$shots" ] || return 0
  local rect
  rect=$(driver rect "$1" | tr -d '\r')
  sleep 0.5
  xwd -root -silent | xwdtopnm 2>/dev/null | pamcut $rect 2>/dev/null | pnmtopng >"$shots/$2.png" 2>/dev/null &&
    echo "saved $shots/$2.png" || echo "could not save $2.png" >&2
}
idle=$(sed -n 's/^project(VELKOR VERSION \([0-9]*\)\.\([0-9]*\)\.[0-9]*\.\([0-9]*\).*/VELKOR   Ver \1.\2.\3/p' "$here/CMakeLists.txt")

start_velkor() {
  : >"$trace"
  (cd "$program" && exec "$wine" velkor.exe 2>>"$trace") &
  velkor_pid=$!
  driver wait "VELKOR   Ver" 60000 || fail "no main window"
  wait_trace "caption: $idle" 5000 || true
}

# Opens 設定 and chooses the launch entry at position ENTRY among the visible ones (1 = first).
launch() {
  local entry=$1 keys=(alt right down down down)
  for ((i = 1; i < entry; i++)); do keys+=(down); done
  driver keys "VELKOR   Ver" "${keys[@]}" enter
}

echo "== velkor.exe from $(basename "$zip"), under $("$wine" --version 2>/dev/null)"
start_velkor

# WSJT-X: plain ADIF text through Winsock.
launch 1
wait_trace "caption: WSJT-X VELKOR"
wait_trace "status: WSJT-Xを起動しました"
contact1='<call:6>JA1ABC <qso_date:8>20261207 <time_on:6>123000 <band:3>20m <freq:9>14.074000 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-12 <tx_pwr:2>50 <name:4>Taro <comment:4>山田さん <eor>'
cli send --port "$wsjt_port" --adif "$contact1" >/dev/null
wait_trace "status: JA1ABC をTURBO HAMLOG データベースに追加しました"
shot "WSJT-X VELKOR" windows_main_window
wait_trace "status: WSJT-Xが終了しました" 20000
wait_trace "caption: $idle" 3000

# FreeDV: the QSO Logged message through Winsock.
launch 2
wait_trace "caption: FreeDV VELKOR"
wait_trace "status: FreeDVを起動しました"
cli send --port "$freedv_port" --qso-logged call=JH1XYZ freq=7177000 mode=FREEDV rst_sent=59 rst_rcvd=57 \
  time_on=2026-12-07T09:15:00Z name=Hanako comment=ありがとう >/dev/null
wait_trace "status: JH1XYZ をTURBO HAMLOG データベースに追加しました"
wait_trace "status: FreeDVが終了しました" 20000
wait_trace "caption: $idle" 3000

if [ -n "$shots" ]; then
  driver keys "VELKOR   Ver" alt right down down enter
  sleep 2
  shot "HAMLOGへの変換転送設定" windows_settings_dialog
  driver keys "HAMLOGへの変換転送設定" escape
fi
# Closing writes the settings back.
driver close "VELKOR   Ver"
wait "$velkor_pid" || true

# Log\Velkor.adi: in CP932 with CR LF line ends, one line per contact, the texts unchanged.
adi="$program/Log/Velkor.adi"
if [ -f "$adi" ]; then
  lines=$(grep -c $'\r$' "$adi" || true)
  [ "$lines" -eq "$(wc -l <"$adi")" ] && pass "Velkor.adi ends every line with CR LF" || fail "Velkor.adi line ends"
  if iconv -f CP932 -t UTF-8 "$adi" >"$e2e/Velkor.adi.utf8" 2>/dev/null; then
    grep -Fq "<comment:4>山田さん" "$e2e/Velkor.adi.utf8" && grep -Fq "JH1XYZ" "$e2e/Velkor.adi.utf8" &&
      pass "Velkor.adi holds both contacts in CP932" || fail "Velkor.adi content: $(cat "$e2e/Velkor.adi.utf8")"
  else
    fail "Velkor.adi is not CP932"
  fi
else
  fail "no Log\\Velkor.adi"
fi

# HAMLOG's side: each append is version, open (the path in CP932), 16 fields, append, close; the
# fields are those the Linux build converts the same contacts to, in CP932.
log=$e2e/standin.log
calls=$(grep -Eo '^(Hamlog50|Thdll2Vb)\.dll [A-Za-z_]+' "$log" | awk '{print $2}' | grep -v '^loaded$\|^unloaded$' | tr '\n' ' ')
one="GetThdllVersion HamlogOpen$(printf ' SetThBuffer%.0s' {1..16}) THW_append HamlogClose"
[ "$calls" = "$one $one " ] && pass "library calls in order, twice" || fail "library calls: $calls"
expected_path=$(win "$database" | iconv -f UTF-8 -t CP932 | python3 -c 'import sys; print("".join(chr(b) if 0x20 <= b < 0x7f and b not in (0x22, 0x5c) else "\\x%02X" % b for b in sys.stdin.buffer.read().rstrip(b"\n")))')
grep -Fq "HamlogOpen 0 " "$log" && grep -F "HamlogOpen" "$log" | head -n1 | grep -Fq "\"$expected_path\" 1 -> 0" &&
  pass "HamlogOpen got the database path in CP932" || fail "HamlogOpen path: $(grep HamlogOpen "$log" | head -n1)"
# The records as the library kept them, decoded to UTF-8 and tab-separated like velkor-cli convert.
python3 - "$database" >"$e2e/records.tsv" <<'PY'
import re, sys
for line in open(sys.argv[1], 'rb').read().decode('ascii').splitlines():
    fields = re.findall(r'(\d+)="((?:[^"\\]|\\x[0-9A-F]{2})*)"', line)
    texts = [re.sub(r'\\x([0-9A-F]{2})', lambda m: chr(int(m.group(1), 16)), v).encode('latin-1').decode('cp932') for _, v in fields]
    print('\t'.join(texts))
PY
printf '%s\n' "$contact1" >"$e2e/contacts.txt"
mkdir -p "$e2e/linux"
cp "$program/Cty.dat" "$program/TH_DX.dat" "$e2e/VELKOR.ini.given" "$e2e/linux/"
"$linux_cli" convert --dir "$e2e/linux" --settings "$e2e/linux/VELKOR.ini.given" "$e2e/contacts.txt" >"$e2e/converted.tsv" 2>/dev/null || true
if [ -s "$e2e/records.tsv" ] && head -n1 "$e2e/records.tsv" | cmp -s - <(head -n1 "$e2e/converted.tsv"); then
  pass "HAMLOG received the fields the conversion gives: $(head -n1 "$e2e/records.tsv" | tr '\t' '|')"
else
  fail "HAMLOG's record: $(head -n1 "$e2e/records.tsv" | tr '\t' '|') expected $(head -n1 "$e2e/converted.tsv" | tr '\t' '|')"
fi
grep -q $'^JH1XYZ\t' "$e2e/records.tsv" && pass "the QSO Logged contact reached HAMLOG" || fail "no JH1XYZ record"

# VELKOR.ini written back on exit: CP932, CR LF, the Japanese paths intact.
ini="$program/VELKOR.ini"
if iconv -f CP932 -t UTF-8 "$ini" 2>/dev/null | tr -d '\r' | grep -Fxq "WsjtFile=$partner"; then
  pass "VELKOR.ini written back in CP932"
else
  fail "VELKOR.ini: $(iconv -f CP932 -t UTF-8 -c "$ini" | head -n 5)"
fi
[ "$(grep -c $'\r$' "$ini")" -eq "$(wc -l <"$ini")" ] && pass "VELKOR.ini has CR LF line ends" || fail "VELKOR.ini line ends"
[ "$(stat -c %Y "$ini")" -gt "$(date -d 2001-01-02 +%s)" ] && pass "VELKOR.ini written on exit" ||
  fail "VELKOR.ini was not written on exit"

# Without HAMLOG's library: the 64-bit program names it and says why.
rm -f "$program/Hamlog50.dll" "$program/Thdll2Vb.dll"
start_velkor
launch 1
wait_trace "status: WSJT-Xを起動しました"
cli send --port "$wsjt_port" --adif '<call:5>JR2AA <qso_date:8>20261207 <time_on:4>1300 <mode:3>FT8 <band:3>40m <eor>' >/dev/null
if iconv -f CP932 -t UTF-8 -c "$trace" | grep -q '^velkor.ui: message: Hamlog50.dll を読み込めません（この VELKOR は 64 ビット版'; then
  pass "a missing library is named"
else
  sleep 3
  iconv -f CP932 -t UTF-8 -c "$trace" | grep -q '^velkor.ui: message: Hamlog50.dll を読み込めません' &&
    pass "a missing library is named" || fail "no message naming Hamlog50.dll: $(iconv -f CP932 -t UTF-8 -c "$trace" | tail -n 5)"
fi
wine_user_env QT_LOGGING_RULES
wine_user_env QT_FORCE_STDERR_LOGGING
stop_wine
wait "$velkor_pid" 2>/dev/null || true

# The project's own tests, built for Windows by build-windows.sh (VELKOR_WINDOWS_TESTS=ON), each
# run under Wine; those about another system skip themselves and say why.
if [ -f "$out/x86_64/CTestTestfile.cmake" ]; then
  echo "== the tests under Wine"
  unset VELKOR_STANDIN_LOG VELKOR_PARTNER_SLEEP_MS
  qt=$(bash "$here/scripts/build-qt-windows.sh" x86_64 --if-cached | tail -n1)
  gccdir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  export WINEPATH="$(win "$qt/bin");$(win "$gccdir");$(win /usr/x86_64-w64-mingw32/lib)"
  # QtTest writes to the console only when told to; otherwise to the debugger.
  wine_user_env QT_LOGGING_TO_CONSOLE 1
  # Under Wine on a busy machine a widget test may miss a two-second window now and then: a test
  # that fails is run again, at most twice, and a failure that stays fails the run.
  (cd "$out/x86_64" && ctest --output-on-failure --timeout 300 --repeat until-pass:3) || fail "the tests under Wine"
  wine_user_env QT_LOGGING_TO_CONSOLE
fi

if [ "$failures" -gt 0 ]; then
  echo "test-windows-program: $failures check(s) failed; the trace: $trace" >&2
  exit 1
fi
echo "test-windows-program: all checks passed"
