#!/usr/bin/env bash
# Renews the guide's pictures (docs/images/*.png): the real window against the
# in-process simulator, page by page, on a virtual display (Xvfb).
#   bash scripts/screenshots.sh [FOLDER]     (default docs/images)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/images}
bash scripts/deps.sh >/dev/null
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target matrix-screenshots >/dev/null
mkdir -p "$out"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
MATRIX_SCREENSHOT_DIR="$(cd "$out" && pwd)" QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='qt.qpa.*=false' \
  xvfb-run -a -s "-screen 0 1280x800x24" build/tools/matrix-screenshots >"$log" 2>&1 || status=$?
sed -n 's/^QINFO  : [^ ]* wrote /wrote /p' "$log"
if [ $status -ne 0 ]; then
  grep -E '^(FAIL!|   Loc)' "$log" || tail -20 "$log"
  echo "screenshots FAILED"
  exit $status
fi
