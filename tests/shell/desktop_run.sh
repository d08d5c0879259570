#!/usr/bin/env bash
# Runs the shell tests named Desktop.* on a real X desktop: Xvfb at 1366x768 on a free display
# with openbox as its window manager, so that windows get title bars and borders and the window
# manager decides stacking and focus as on a user's machine.
#   desktop_run.sh SHELL_TESTS [SCREENSHOT_DIR]
# Exits 77 (skipped) when Xvfb or openbox is not installed.
set -u
tests="$1"
shots="${2:-}"

for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done

# Xvfb picks a free display itself and says which once it accepts clients: two runs at once (a
# second build's tests, a screenshot script) never end up on one display with two window managers.
scratch=$(mktemp -d /tmp/vnstudio-desktop-XXXXXX)
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 200); do
  [ "$(wc -l < "$scratch/display")" -ge 1 ] && { display=":$(head -n1 "$scratch/display")"; break; }
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$display" ]; then
  echo "Xvfb did not start"
  kill "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
  exit 1
fi

DISPLAY="$display" XDG_CONFIG_HOME="$scratch" openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
cleanup() {
  kill "$wm_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
# The window manager is up once it has announced itself on the root window.
for _ in $(seq 100); do
  DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done

DISPLAY="$display" QT_QPA_PLATFORM=xcb VN_DESKTOP_WM=openbox VN_DESKTOP_SCREENSHOTS="$shots" \
  "$tests" --gtest_filter='Desktop.*'
