#!/usr/bin/env bash
# The window and the command-line collector never both keep a store over one data folder:
# while the collector holds the folder the window refuses to start with a message, and while
# the window runs the collector refuses with a message and exit code 1.
# Usage: window_lock_test.sh <vlmr> <vlmr-collect>
set -euo pipefail
exe=$1
collect=$2
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
  echo "xvfb-run and xdotool are needed"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/prog/Data" "$work/home/Desktop" "$work/run"
chmod 700 "$work/run"
cp "$exe" "$work/prog/vlmr"
cp "$collect" "$work/prog/vlmr-collect"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
work=$1
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
pids=()
trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done' EXIT

# The collector's hold on the folder (the same file lock it takes while it runs).
setsid flock "$work/prog/Data/users.lock" sleep 60 &
holder=$!
pids+=($holder)
# Until the holder really has the lock (a busy machine may start it late). A busy machine may
# also take many seconds to show a window (a sanitizer build, builds running beside it).
for _ in $(seq 1 100); do flock -n "$work/prog/Data/users.lock" true || break; sleep 0.1; done
"$work/prog/vlmr" > "$work/refused.log" 2>&1 &
refused=$!
pids+=($refused)
for _ in $(seq 1 600); do [ "$(visible '^提示$')" -ge 1 ] && break; sleep 0.1; done
[ "$(visible '^提示$')" -ge 1 ] || fail "no message while the collector holds the folder"
[ "$(visible '^vlmr V1\.5$')" -eq 0 ] || fail "the main window opened beside the collector"
xdotool search --onlyvisible --name '^提示$' windowactivate --sync key Return 2>/dev/null ||
  xdotool key Return
for _ in $(seq 1 100); do kill -0 "$refused" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$refused" || status=$?
[ "$status" -eq 1 ] || fail "the refused window ended with $status, not 1"
# The holder and the sleep it started hold the lock together.
kill -9 -- "-$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true

"$work/prog/vlmr" > "$work/window.log" 2>&1 &
window=$!
pids+=($window)
for _ in $(seq 1 600); do [ "$(visible '^vlmr V1\.5$')" -ge 1 ] && break; sleep 0.1; done
[ "$(visible '^vlmr V1\.5$')" -eq 1 ] || fail "the window did not start once the folder was free"
code=0
"$work/prog/vlmr-collect" list > "$work/list.out" 2> "$work/list.err" || code=$?
[ "$code" -eq 1 ] || fail "the collector beside the window ended with $code, not 1"
grep -q '正被 vlmr 窗口或另一个 vlmr-collect 使用' "$work/list.err" ||
  fail "the collector did not say why: $(cat "$work/list.err")"
kill -TERM "$window"
wait "$window" || true
echo "window lock: ok"
INNER

xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inner.sh" "$work"
