#!/usr/bin/env bash
# The round trip of a firmware image through the tool, run with the real
# window on the offscreen platform against the in-process simulator:
#   1. raw MCU images merged into a ".fw" on the merge page,
#   2. a board-information tree (main board, 4 input and 4 output cards)
#      typed into the editor and built into a ".fw2" with "Merge",
#   3. the package read back on the package information page,
#   4. the simulated unit upgraded from it on the Upgrade Firmware page: every
#      board must hold the raw image it started from and the board
#      information of the tree,
#   5. input card 1 flashed from the ".fw" on the single-file page.
# Builds what it needs into ./build, then prints every check it made.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh >/dev/null
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target tst_roundtrip >/dev/null

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' \
  build/tests/tst_roundtrip >"$log" 2>&1 || status=$?
sed -n 's/^QINFO  : [^ ]* checked: /checked: /p' "$log"
if [ $status -ne 0 ]; then
  grep -E '^(FAIL!|   Actual|   Expected|   Loc)' "$log" || tail -20 "$log"
  echo "round trip FAILED"
  exit $status
fi
echo "round trip passed"
