#!/usr/bin/env bash
# The main job on the example project: installs what is missing, builds the
# command line, and turns examples/demo into its code browser in out/demo
# (open out/demo/index.html), printing the cross-reference report.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target corvanet-cli
build/bin/corvanet-cli -o out/demo examples/demo/demo.dpr
