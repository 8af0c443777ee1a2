#!/usr/bin/env bash
# The whole test suite: installs what is missing, then
#   build/       plain (RelWithDebInfo, the window too when Qt 6 is found): every test;
#   build-asan/  AddressSanitizer + UBSan, no window: every test but the
#                window's and the real-code acceptance tests (labels gui, acceptance).
# Both runs always happen; the exit status is nonzero when either failed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs="$(nproc)"
status=0

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANET_GUI=ON -DCORVANET_SANITIZE=OFF
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs") || status=1

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANET_GUI=OFF -DCORVANET_SANITIZE=ON
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs" -LE 'gui|acceptance') || status=1

if [ "$status" -eq 0 ]; then
  echo "test: all tests passed (plain and sanitized)"
else
  echo "test: FAILURES (see above)" >&2
fi
exit "$status"
