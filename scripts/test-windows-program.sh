#!/usr/bin/env bash
# The Windows program end to end, as a user meets it: the win32 zip (what users install) unpacked
# into a folder whose path holds Japanese and a space, velkor.exe started under Wine on a virtual
# display beside a VELKOR.ini in the ANSI code page (CP932, CR LF), partners (the project's stand-in
# program) launched from the 設定 menu with the keyboard, contacts sent through Winsock as plain
# ADIF text (WSJT-X) and as a QSO Logged message (FreeDV), HAMLOG's libraries stood in for by the
# project's own 32-bit recording stand-ins. Checked: the settings dialog of the first start, and the
# one opened while the main window is kept on top, lie above the main window; the caption and
# status texts while each partner runs and after it ends; Log\Velkor.adi (CP932, CR LF); every
# library call and its arguments (HamlogOpen(0, buffer, path in CP932, 1), SetThBuffer for indexes
# 0, 1-14 and 16, THW_append(buffer, 16, &0), HamlogClose(buffer, 1)), which the stand-ins also
# check themselves, with the exact field texts HAMLOG receives (against what the Linux build
# converts the same contacts to); the same through the stand-in exporting decorated names
# (_HamlogOpen@16), with 200 contacts sent by the partner at its pace, one every 50 ms, all
# arriving in order; VELKOR.ini written back in CP932 on exit; the message naming the library when
# it is missing. Then the project's tests built by build-windows.sh, each run under Wine.
#   VELKOR_WINDOWS_OUT          where scripts/build-windows.sh builds (default build-win)
#   VELKOR_WINDOWS_RUN_ARCH     i686 (default) or x86_64; a machine that runs no 32-bit programs
#                               takes x86_64 (scripts/windows-env.sh, windows_run_arch)
#   VELKOR_WINDOWS_SCREENSHOTS  a folder: the main window and the settings dialog are saved there as
#                               PNG files on the way (for the README)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${VELKOR_WINDOWS_OUT:-$here/build-win}
bash "$here/scripts/deps.sh" wine wine64 wine32:i386 locales xvfb xauth python3 x11-apps netpbm
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi
# shellcheck source=scripts/windows-env.sh
source "$here/scripts/windows-env.sh"
arch=$(windows_run_arch)
export VELKOR_WINDOWS_RUN_ARCH=$arch
bits=32
[ "$arch" = x86_64 ] && bits=64
bash "$here/scripts/deps.sh" "g++-mingw-w64-${arch/_/-}"

zip=$(ls "$out"/dist/VELKOR-*-win$bits.zip 2>/dev/null | head -n1 || true)
if [ -z "$zip" ]; then
  VELKOR_WINDOWS_ARCHES=$arch bash "$here/scripts/build-windows.sh"
  zip=$(ls "$out"/dist/VELKOR-*-win$bits.zip | head -n1)
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
cxx=$arch-w64-mingw32-g++
build_standins "$e2e" "$cxx"
"$cxx" -std=c++17 -O1 -Wall -Wextra -static -o "$e2e/ui_driver.exe" "$here/tests/windows/e2e/ui_driver.cpp" -lshell32

wine_environment "$out" "$arch"
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
mkdir -p "$e2e/運用ソフト" "$e2e/ログ"
cp "$e2e/partner_standin.exe" "$e2e/運用ソフト/partner.exe"
database="$e2e/ログ/Hamlog.hdb"
: >"$database"
win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
free_port() { python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wsjt_port=$(free_port)
freedv_port=$(free_port)
partner=$(win "$e2e/運用ソフト/partner.exe")

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
main_title="VELKOR   Ver"
dialog_title="HAMLOGへの変換転送設定"

# start_velkor [FOLDER]: velkor.exe of the folder (default the program folder), tracing.
start_velkor() {
  local folder=${1:-$program}
  : >"$trace"
  (cd "$folder" && exec "$wine" velkor.exe 2>>"$trace") &
  velkor_pid=$!
}
started() {
  driver wait "$main_title" 60000 || fail "no main window"
  wait_trace "caption: $idle" 5000 || true
}
# Waits for VELKOR's end after its main window was asked to close (a minute at most).
end_velkor() {
  local waited=0
  driver gone "$main_title" 60000 || fail "VELKOR's main window did not close"
  while [ "$(ps -o stat= -p "$velkor_pid" 2>/dev/null | cut -c1)" != Z ] && kill -0 "$velkor_pid" 2>/dev/null; do
    sleep 0.2
    waited=$((waited + 1))
    [ "$waited" -lt 300 ] || { fail "VELKOR did not end"; stop_wine; break; }
  done
  wait "$velkor_pid" 2>/dev/null || true
}
# above TITLE: the window TITLE lies above the main window, not hidden behind it.
above() {
  local seen
  if seen=$(driver above "$1" "$main_title" | tr -d '\r'); then
    pass "$2 lies above the main window ($seen)"
  else
    fail "$2 lies behind the main window ($seen)"
  fi
}

# Opens 設定 and chooses the launch entry at position ENTRY among the visible ones (1 = first).
launch() {
  local entry=$1 keys=(alt right down down down)
  for ((i = 1; i < entry; i++)); do keys+=(down); done
  driver keys "$main_title" "${keys[@]}" enter
}

echo "== velkor.exe from $(basename "$zip"), under $("$wine" --version 2>/dev/null)"

# The first start, with no VELKOR.ini: a message says so, then the settings dialog is to be filled
# in, in front of the main window.
first="$e2e/first"
mkdir -p "$first"
(cd "$first" && unzip -q "$zip")
first_program=$(find "$first" -mindepth 1 -maxdepth 1 -type d | head -n1)
cp "$here/share/program/Cty.dat" "$here/share/program/TH_DX.dat" "$first_program/"
start_velkor "$first_program"
if wait_trace "message: 設定ファイルがありません" 60000; then
  driver wait "VELKOR" 20000 && driver keys "VELKOR" enter
fi
if driver wait "$dialog_title" 30000 && driver wait "$main_title" 30000; then
  sleep 1
  above "$dialog_title" "the settings dialog of the first start"
else
  fail "the first start showed no settings dialog beside its main window: $(iconv -f CP932 -t UTF-8 -c "$trace" | tail -n 3)"
fi
# Nothing of this start is looked at further.
stop_wine
wait "$velkor_pid" 2>/dev/null || true

# The settings as a user leaves them, pointing at the partner stand-in.
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

# HAMLOG's libraries: the stand-in exporting plain names first.
cp "$e2e/standin/full/Hamlog50.dll" "$e2e/standin/full/Thdll2Vb.dll" "$program/"
log=$e2e/standin.log
export VELKOR_STANDIN_LOG
VELKOR_STANDIN_LOG=$(win "$log")
export VELKOR_PARTNER_SLEEP_MS=9000
start_velkor
started

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

# The main window kept on top (設定 > フォームを上層にする), then the settings dialog opened from
# the menu: the dialog must come above it.
driver keys "$main_title" alt right down enter
driver keys "$main_title" alt right down down enter
if driver wait "$dialog_title" 20000; then
  sleep 1
  above "$dialog_title" "the settings dialog over the main window kept on top"
  shot "$dialog_title" windows_settings_dialog
  driver keys "$dialog_title" escape
else
  fail "the settings dialog did not open from the menu"
fi
# Closing writes the settings back.
driver close "$main_title"
end_velkor

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

# HAMLOG's side: each append is version, open, 16 fields, append, close, with the arguments the
# libraries expect; the stand-ins found nothing wrong with them either.
expected_path=$(win "$database" | iconv -f UTF-8 -t CP932 | python3 -c 'import sys; print("".join(chr(b) if 0x20 <= b < 0x7f and b not in (0x22, 0x5c) else "\\x%02X" % b for b in sys.stdin.buffer.read().rstrip(b"\n")))')
# check_calls LOG VARIANT APPENDS: what the stand-in (the VARIANT copied beside the program)
# recorded.
check_calls() {
  local report
  if report=$(python3 - "$1" "$2" "$3" "$expected_path" <<'PY'
import re, sys
log, variant, appends, path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
lines = open(log, encoding='latin-1').read().splitlines()
problems = [l for l in lines if ' FAILED ' in l]
if not any(l.startswith('Hamlog50.dll loaded from ') for l in lines):
    problems.append('Hamlog50.dll was never loaded')
calls = [l for l in lines if not re.search(r' (loaded from|unloaded|FAILED|refused to load)', l)]
indexes = [str(i) for i in range(1, 15)] + ['16']
# Each opening: the version, the open, then for every record its 16 fields (the record cleared
# with index 0 first) and the append, then the close. Several records may share one opening.
records = 0
i = 0
def at(n):
    return calls[n] if n < len(calls) else '(no more calls)'
while i < len(calls) and not problems:
    if not re.fullmatch(r'Hamlog50\.dll GetThdllVersion -> \w+', at(i)):
        problems.append('call %d, not GetThdllVersion: %s' % (i + 1, at(i)[:200]))
        break
    m = re.fullmatch(r'Hamlog50\.dll HamlogOpen 0 (\w+) "(.*)" 1 -> 0', at(i + 1))
    if not m or m.group(2) != path:
        problems.append('call %d: %s' % (i + 2, at(i + 1)[:200]))
        break
    b = m.group(1)
    i += 2
    while re.fullmatch(r'Thdll2Vb\.dll SetThBuffer %s "" 0 -> 0' % b, at(i)):
        for k, index in enumerate(indexes):
            if not re.fullmatch(r'Thdll2Vb\.dll SetThBuffer %s ".*" %s -> 0' % (b, index), at(i + 1 + k)):
                problems.append('call %d, not field %s: %s' % (i + 2 + k, index, at(i + 1 + k)[:200]))
        i += 1 + len(indexes)
        if not re.fullmatch(r'Hamlog50\.dll THW_append %s 16 0 -> 0 record .*' % b, at(i)):
            problems.append('call %d, not the append: %s' % (i + 1, at(i)[:200]))
        i += 1
        records += 1
        if problems:
            break
    if not problems and not re.fullmatch(r'Hamlog50\.dll HamlogClose %s 1 open -> 0' % b, at(i)):
        problems.append('call %d, not the close: %s' % (i + 1, at(i)[:200]))
    i += 1
if records != appends:
    problems.append('%d records appended, not %d' % (records, appends))
print('\n'.join(problems[:20]))
sys.exit(1 if problems else 0)
PY
  ); then
    pass "$3 appends through the $2 stand-in: HamlogOpen(0, buffer, path, 1), SetThBuffer 0, 1-14, 16, THW_append(buffer, 16, &0), HamlogClose(buffer, 1); no wrong argument"
  else
    fail "the calls into the $2 stand-in: $report"
  fi
}
check_calls "$log" full 2
# The records as the library kept them, decoded to UTF-8 and tab-separated like velkor-cli convert.
records() {
  python3 - "$database" <<'PY'
import re, sys
for line in open(sys.argv[1], 'rb').read().decode('ascii').splitlines():
    fields = re.findall(r'(\d+)="((?:[^"\\]|\\x[0-9A-F]{2})*)"', line)
    texts = [re.sub(r'\\x([0-9A-F]{2})', lambda m: chr(int(m.group(1), 16)), v).encode('latin-1').decode('cp932') for _, v in fields]
    print('\t'.join(texts))
PY
}
records >"$e2e/records.tsv"
printf '%s\n' "$contact1" >"$e2e/contacts.txt"
mkdir -p "$e2e/linux"
cp "$program/Cty.dat" "$program/TH_DX.dat" "$e2e/VELKOR.ini.given" "$e2e/linux/"
convert() { "$linux_cli" convert --dir "$e2e/linux" --settings "$e2e/linux/VELKOR.ini.given" "$1" 2>/dev/null || true; }
convert "$e2e/contacts.txt" >"$e2e/converted.tsv"
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

# The stand-in exporting the decorated names, and a partner that logs 200 contacts one every
# 50 ms: every one reaches HAMLOG, in order, each with the fields the conversion gives.
cp "$e2e/standin/decorated/Hamlog50.dll" "$e2e/standin/decorated/Thdll2Vb.dll" "$program/"
many=200
python3 - "$many" >"$e2e/many.txt" <<'PY'
import sys
for i in range(int(sys.argv[1])):
    call = 'JA%d%s%s%s' % (1 + i % 9, chr(65 + i // 676 % 26), chr(65 + i // 26 % 26), chr(65 + i % 26))
    fields = [('call', call), ('qso_date', '20261208'), ('time_on', '%02d%02d%02d' % (10 + i // 3600, i // 60 % 60, i % 60)),
              ('band', '20m'), ('freq', '14.0%02d000' % (70 + i % 10)), ('mode', 'FT8'),
              ('rst_sent', '-%02d' % (i % 20)), ('rst_rcvd', '+%02d' % (i % 15)), ('name', 'Op%d' % i)]
    print(' '.join('<%s:%d>%s' % (k, len(v), v) for k, v in fields) + ' <eor>')
PY
many_log=$e2e/standin-decorated.log
VELKOR_STANDIN_LOG=$(win "$many_log")
export VELKOR_PARTNER_SEND="3000 $wsjt_port 50 $(win "$e2e/many.txt")"
export VELKOR_PARTNER_SLEEP_MS=1000
: >"$database"
start_velkor
started
launch 1
wait_trace "status: WSJT-Xを起動しました"
appended() {
  local n
  n=$(grep -c ' THW_append ' "$many_log" 2>/dev/null)
  echo "${n:-0}"
}
waited=0
until [ "$(appended)" -ge "$many" ] || [ "$waited" -ge 300 ]; do
  sleep 1
  waited=$((waited + 1))
done
wait_trace "status: WSJT-Xが終了しました" 20000
unset VELKOR_PARTNER_SEND
driver close "$main_title"
end_velkor
check_calls "$many_log" decorated "$many"
records >"$e2e/records-many.tsv"
convert "$e2e/many.txt" >"$e2e/converted-many.tsv"
if [ "$(wc -l <"$e2e/converted-many.tsv")" -eq "$many" ] && cmp -s "$e2e/records-many.tsv" "$e2e/converted-many.tsv"; then
  pass "all $many contacts reached HAMLOG in order, each with the fields the conversion gives"
else
  fail "of $many contacts HAMLOG received $(wc -l <"$e2e/records-many.tsv"): $(diff "$e2e/converted-many.tsv" "$e2e/records-many.tsv" | head -n 6 | tr '\t\n' '| ')"
fi

# Without HAMLOG's library: the program names it.
rm -f "$program/Hamlog50.dll" "$program/Thdll2Vb.dll"
export VELKOR_PARTNER_SLEEP_MS=9000
start_velkor
started
launch 1
wait_trace "status: WSJT-Xを起動しました"
cli send --port "$wsjt_port" --adif '<call:5>JR2AA <qso_date:8>20261207 <time_on:4>1300 <mode:3>FT8 <band:3>40m <eor>' >/dev/null
missing_message=0
for _ in $(seq 1 50); do
  iconv -f CP932 -t UTF-8 -c "$trace" | grep '^velkor.ui: message: Hamlog50.dll を読み込めません' >/dev/null && { missing_message=1; break; }
  sleep 0.2
done
[ "$missing_message" = 1 ] && pass "a missing library is named: $(iconv -f CP932 -t UTF-8 -c "$trace" | grep -m1 -o 'Hamlog50.dll を読み込めません.*')" ||
  fail "no message naming Hamlog50.dll: $(iconv -f CP932 -t UTF-8 -c "$trace" | tail -n 5)"
wine_user_env QT_LOGGING_RULES
wine_user_env QT_FORCE_STDERR_LOGGING
stop_wine
wait "$velkor_pid" 2>/dev/null || true

# The project's own tests, built for Windows by build-windows.sh (VELKOR_WINDOWS_TESTS=ON), each
# run under Wine; those about another system skip themselves and say why.
if [ -f "$out/$arch/CTestTestfile.cmake" ]; then
  echo "== the tests under Wine ($arch)"
  unset VELKOR_STANDIN_LOG VELKOR_PARTNER_SLEEP_MS
  qt=$(bash "$here/scripts/build-qt-windows.sh" "$arch" --if-cached | tail -n1)
  gccdir=$(dirname "$("$arch-w64-mingw32-g++-posix" -print-libgcc-file-name)")
  export WINEPATH="$(win "$qt/bin");$(win "$gccdir");$(win "/usr/$arch-w64-mingw32/lib")"
  # QtTest writes to the console only when told to; otherwise to the debugger.
  wine_user_env QT_LOGGING_TO_CONSOLE 1
  (cd "$out/$arch" && ctest --output-on-failure --timeout 300) || fail "the tests under Wine"
  wine_user_env QT_LOGGING_TO_CONSOLE
fi

if [ "$failures" -gt 0 ]; then
  echo "test-windows-program: $failures check(s) failed; the trace: $trace" >&2
  exit 1
fi
echo "test-windows-program: all checks passed ($arch)"
