#!/usr/bin/env bash
# Start-up time of the IDE: from starting the process to its first painted main window, with
# an example program open, on an X server (Xvfb when no display is given).
#
#   bench/ide_startup.sh [VNSTUDIO_BINARY] [RUNS]
#
# Default binary: build/release/vnstudio. Each run uses fresh settings, the virtual cable (so
# that no port message box stands in the way) and examples/loops.bas. Prints every run and
# the median; the first run, with cold caches, is reported apart.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/release/vnstudio}
runs=${2:-15}
[ -x "$bin" ] || { echo "no IDE binary at $bin (build the vnstudio target first)" >&2; exit 2; }
bin=$(readlink -f "$bin")

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$bin" "$runs"
fi

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
times=()
for ((i = 0; i <= runs; i++)); do
  rm -rf "${config:?}"/*
  start=$(date +%s%N)
  line=$(XDG_CONFIG_HOME="$config" VNSTUDIO_STARTUP_PROBE=1 QT_QPA_PLATFORM=xcb \
         "$bin" --cable virtual examples/loops.bas 2>/dev/null | grep '^first-window ' || true)
  [ -n "$line" ] || { echo "run $i: the IDE did not report its first window" >&2; exit 1; }
  ms=$(( (${line#first-window } - start) / 1000000 ))
  if ((i == 0)); then
    echo "cold run: ${ms} ms"
  else
    times+=("$ms")
  fi
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "runs (ms): ${times[*]}"
echo "median start-up to first window: ${sorted[$(( ${#sorted[@]} / 2 ))]} ms (min ${sorted[0]}, max ${sorted[-1]})"
