#!/usr/bin/env bash
# Builds everything, starts the matrix simulator on 127.0.0.1:8000 and opens
# the tool connected to it over TCP. Without a display, the window runs on a
# virtual one (Xvfb) and a screenshot is written to build/matrix-tool.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

bin=build/src
sim=build/sim/matrix-sim
"$sim" --tcp 127.0.0.1:8000 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
sleep 0.5
kill -0 $sim_pid 2>/dev/null || { echo "the simulator did not start (is port 8000 in use?)" >&2; exit 1; }

# A device entry for the simulator, so that Connect works at once.
ini="$bin/Settings.ini"
if [ ! -f "$ini" ]; then
  printf '[Control mode]\r\nMode=1\r\n[TCP control device]\r\nName=%s\r\n[TCP control device list]\r\nDevice No.1=%s\r\n' \
    "[Simulated matrix] - [Static IP] - [127.0.0.1] - [0.0.0.0] - [255.0.0.0] - [02-00-00-00-00-01] - [Same Subnet]" \
    "[Simulated matrix] - [Static IP] - [127.0.0.1] - [0.0.0.0] - [255.0.0.0] - [02-00-00-00-00-01] - [Same Subnet]" > "$ini"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$bin/matrix-tool"
else
  # No display: show the window on a virtual one, take a screenshot, close it.
  command -v import >/dev/null || { [ "$(id -u)" -ne 0 ] || apt-get install -y -qq imagemagick >/dev/null; }
  echo "No display: running on Xvfb; a screenshot goes to build/matrix-tool.png" >&2
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
    '$bin/matrix-tool' & tool=\$!
    sleep 4
    import -window root -crop 1025x660+0+0 build/matrix-tool.png || true
    kill \$tool"
fi
