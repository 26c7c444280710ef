#!/usr/bin/env bash
# Takes the screenshots of the desktop tool on a virtual display: the main window connected to a virtual
# handset with demo melodies in its slots, the splash, the Setting, Information and notification boxes, and
# the player playing a demo melody.
#   tools/screenshot.sh OUTDIR        (default docs/screenshots)
# Needs Xvfb; builds what it needs in build/ (or $CANTAVO_BUILD_DIR). The pictures show window contents: a bare Xvfb has
# no window manager to draw title bars.
set -euo pipefail
cd "$(dirname "$0")/.."
outdir=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$outdir"

build=${CANTAVO_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target app_screenshot_tour cantavo-handset >/dev/null
tour=$(realpath "$build/bin/app_screenshot_tour")

work=$(mktemp -d)
cleanup() {
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A free display number, and a server that keeps its screen in a file the tour can read.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -fbdir "$work" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# A home of its own, so the tour starts from a fresh profile and an erased virtual handset.
mkdir -p "$work/home"
(cd "$work/home" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_CACHE_HOME="$work/home/.cache" DISPLAY=":$display" \
    "$tour" "$work/Xvfb_screen0" "$outdir")
echo "Screenshots in $outdir"
