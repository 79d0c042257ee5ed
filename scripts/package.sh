#!/usr/bin/env bash
# Builds the Debian package of the tool (matrix-tool, matrix-sim, matrix-cli,
# the desktop entry, its icon and the AppStream metainfo) into ./build:
#   bash scripts/package.sh        ->  build/matrix-tool_4.31_amd64.deb
# Install it with: sudo apt install ./build/matrix-tool_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh >/dev/null
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target matrix-tool matrix-sim matrix-cli
cd build
cpack -G DEB
ls -1 "$PWD"/matrix-tool_*.deb
