#!/usr/bin/env bash
# Whole-program run under Xvfb: the program starts with its caption, a second start brings the
# first forward and ends without a window of its own, and SIGTERM ends it in order.
# Usage: program_test.sh <path of the vlmr executable>
set -euo pipefail
exe=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
  echo "xvfb-run and xdotool are needed"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/home/Desktop" "$work/run"
chmod 700 "$work/run"
cp "$exe" "$work/prog/vlmr"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
work=$1
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
windows() { xdotool search --onlyvisible --name '^vlmr V1\.5$' 2>/dev/null | wc -l; }

"$work/prog/vlmr" > "$work/first.log" 2>&1 &
first=$!
# A check that fails early leaves no program behind.
trap 'kill -9 "$first" 2>/dev/null || true' EXIT
for _ in $(seq 1 200); do [ "$(windows)" -ge 1 ] && break; sleep 0.1; done
[ "$(windows)" -eq 1 ] || fail "the first instance shows no window captioned 'vlmr V1.5'"

timeout 20 "$work/prog/vlmr" > "$work/second.log" 2>&1 || fail "the second start did not end cleanly"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"
[ "$(windows)" -eq 1 ] || fail "the second start left a window of its own"

[ -x "$work/home/Desktop/vlmr.desktop" ] || fail "no desktop launcher on the first run"
grep -q "install=\"\?$work/prog/vlmr\"\?.\?$" "$work/home/.config/vlmr/registry.ini" ||
  fail "install path not recorded: $(cat -A "$work/home/.config/vlmr/registry.ini" 2>&1)"
grep -qi '^first=1' "$work/prog/kqclient.cfg" || fail "settings file does not say first=1"

kill -TERM "$first"
for _ in $(seq 1 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "the program did not end after SIGTERM"
wait "$first" || fail "the program ended with status $?"
echo "program run: ok"
INNER

xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inner.sh" "$work"
