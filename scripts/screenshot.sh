#!/usr/bin/env bash
# Pictures of the program for the README: starts it on a demo library under a virtual X server,
# renews the demo novel (F5), opens the first chapter (a click on the first row of the list) and saves
# PNGs of the main window and of the reading view (F11). Usage: scripts/screenshot.sh [OUTDIR]   (default: build/screenshots;
# the main window also goes to docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"
program="${QUIVERAL_PROGRAM:-build/dev/src/quiveral}"
[ -x "$program" ] || { echo "no program at $program (scripts/build.sh builds it)" >&2; exit 1; }
mkdir -p "$out" docs

work="$(mktemp -d)"
display=":$((90 + RANDOM % 100))"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

export QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
# Pixels 1:1, so the Chinese text is not blurred by scaling.
export QT_SCALE_FACTOR=1 QT_ENABLE_HIGHDPI_SCALING=0
"$program" --demo --library "$work/library" 2>"$work/log" &
pids+=($!)
app=$!

window=""
for _ in $(seq 100); do
    window="$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { cat "$work/log" >&2; echo "the window did not appear" >&2; exit 1; }
xdotool windowmove "$window" 0 0 windowsize "$window" 1280 800 windowfocus "$window"
sleep 2

chapters() { sqlite3 "$work/library/pim.db" "SELECT count(*) FROM book_novelcontent WHERE WordNums > 0" 2>/dev/null || echo 0; }
xdotool key --window "$window" F5
# Done when the count has stood still for three seconds after rising.
last=-1; still=0
for _ in $(seq 120); do
    sleep 1
    now="$(chapters)"
    if [ "$now" -gt 0 ] && [ "$now" = "$last" ]; then still=$((still + 1)); else still=0; fi
    last="$now"
    [ "$still" -ge 3 ] && break
done
echo "chapters downloaded: $last"

# The first row of the chapter list, in the window's default layout at 1280x800.
xdotool mousemove --window "$window" 400 106 click 1
sleep 3
import -window "$window" "$out/main.png"
xdotool mousemove --window "$window" 640 500
xdotool key --window "$window" F11
sleep 3
import -window root "$out/reading.png"
cp "$out/main.png" docs/screenshot.png
echo "wrote $out/main.png, $out/reading.png and docs/screenshot.png"
