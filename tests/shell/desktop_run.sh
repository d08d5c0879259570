#!/usr/bin/env bash
# Runs the shell tests named Desktop.* on a real X desktop: Xvfb at 1366x768 with openbox as its
# window manager, so windows get title bars and borders and stacking and focus are as on a user's
# machine.   desktop_run.sh SHELL_TESTS [SCREENSHOT_DIR]   Exits 77 (skipped) without the tools.
set -u
tests="$1"
shots="${2:-}"
for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed (scripts/install-deps installs it)"; exit 77; }
done

# Xvfb picks a free display itself and names it once it accepts clients: two runs at once never
# share one display and its window manager.
scratch=$(mktemp -d /tmp/vnstudio-desktop-XXXXXX)
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb_pid=$!
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
display=""
for _ in $(seq 200); do
  [ -s "$scratch/display" ] && [ "$(wc -l < "$scratch/display")" -ge 1 ] && { display=":$(head -n1 "$scratch/display")"; break; }
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }

DISPLAY="$display" XDG_CONFIG_HOME="$scratch" openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
# The window manager is up once it has announced itself on the root window.
for _ in $(seq 100); do
  DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
DISPLAY="$display" QT_QPA_PLATFORM=xcb VN_DESKTOP_WM=openbox VN_DESKTOP_SCREENSHOTS="$shots" \
  "$tests" --gtest_filter='Desktop.*'
