#!/usr/bin/env bash
# Whole-program update run: the program built with a configuration host meets the vendor
# service on that host (a private network namespace with its own hosts file gives the name to
# a local server), which offers version 1.6. The program shows its update window, downloads
# the signed package, hands over to the updater and ends; the updater installs the package and
# starts the new program file.
# Usage: update_program_test.sh <vlmr built for config.vlmr-vendor.test> <update> <vlmrcfg>
#                               <vlmrsvc> <private key of the build's public key>
# Exits 77 (skipped) where no private network namespace can be made.
set -euo pipefail
prog=$1 updater=$2 cfg=$3 svc=$4 key=$5
host=config.vlmr-vendor.test

skip() { echo "SKIP: $*"; exit 77; }
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || skip "xvfb-run and xdotool are needed"
command -v zip >/dev/null || skip "the zip command is needed to build the package"
unshare -rnm true 2>/dev/null || skip "no private network namespace here (unshare -rnm refused)"
unshare -rnm sh -c 'ip link set lo up' 2>/dev/null || skip "cannot bring up loopback in a namespace"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A file name no other process has: the hand-over ends every process of the program's name.
name="vlmrwp$$"
mkdir -p "$work/prog" "$work/vendor/pkg" "$work/home/Desktop" "$work/run" "$work/build"
chmod 700 "$work/run"
cp "$prog" "$work/prog/$name"
cp "$updater" "$work/prog/update"

# The new program file: a script that says it ran. A filler makes the download last a moment.
cat > "$work/build/$name" <<NEWPROG
#!/bin/sh
echo "new program started" > "$work/new-started"
NEWPROG
chmod 755 "$work/build/$name"
head -c 8000000 /dev/urandom > "$work/build/filler.bin"
(cd "$work/build" && zip -q -0 "$work/vendor/pkg/update.zip" "$name" filler.bin)
attributes=$("$cfg" sign "$key" "$work/vendor/pkg/update.zip" 1.6)
cat > "$work/config.xml" <<XML
<?xml version="1.0" encoding="gb2312"?>
<config>
  <version><vlmr $attributes>http://$host/pkg/update.zip</vlmr></version>
  <system><loginurl>http://$host/</loginurl></system>
</config>
XML
"$cfg" encipher "$work/config.xml" "$work/vendor/config.txt"
echo "127.0.0.1 localhost $host" > "$work/hosts"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
work=$1 name=$2 svc=$3
fail() { echo "FAIL: $*"; exit 1; }
ip link set lo up
mount --bind "$work/hosts" /etc/hosts
"$svc" "$work/vendor" 80 127.0.0.1 > "$work/svc.port" 2> "$work/svc.log" &
svcpid=$!
trap 'kill $svcpid 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -s "$work/svc.port" ] && break; sleep 0.05; done
[ -s "$work/svc.port" ] || fail "the vendor service did not start: $(cat "$work/svc.log")"

cat > "$work/gui.sh" <<'GUI'
set -euo pipefail
work=$1 name=$2
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
cd "$work"
"$work/prog/$name" > "$work/program.log" 2>&1 &
pid=$!
seen=0
for _ in $(seq 1 600); do
  if [ "$seen" -eq 0 ] && xdotool search --name '^程序正在升级\.\.\.$' > /dev/null 2>&1; then
    seen=1
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.02
done
kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; echo "FAIL: the program did not end"; exit 1; }
[ "$seen" -eq 1 ] || { echo "FAIL: no update window was seen"; exit 1; }
echo "update window seen; the program ended"
GUI
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/gui.sh" "$work" "$name"

for _ in $(seq 1 300); do [ -f "$work/new-started" ] && break; sleep 0.05; done
[ -f "$work/new-started" ] || fail "the new program was not started (update.zip: $(ls "$work/prog"))"
grep -q '^echo "new program started"' "$work/prog/$name" || fail "the program file was not replaced"
[ ! -e "$work/prog/update.zip" ] || fail "update.zip was left behind"
[ ! -e "$work/prog/uplog.txt" ] || fail "uplog.txt was left behind"
[ ! -e "$work/prog/update.manifest" ] || fail "update.manifest was left behind"
[ ! -e "$work/prog/update-failed.txt" ] || fail "a failure was recorded: $(cat "$work/prog/update-failed.txt")"
grep -q '/newapi/config.txt' <(cat "$work/svc.log") || true
echo "update run: ok"
INNER

unshare -rnm bash "$work/inner.sh" "$work" "$name" "$svc"
