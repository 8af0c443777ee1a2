#!/usr/bin/env bash
# The larger acceptance run, on demand (not in CI): every .pas unit of Debian's
# fpc-source and lazarus-src (one per file name) in one project, run through
# corvanet-cli and checked like the acceptance test, then explained: where the
# scanner stopped, where the grammar stopped reading interfaces, and why links
# did not land, grouped with examples.
#
# usage: scripts/acceptance-all.sh [KEEP_DIR]      (default: BUILD/acceptance-all)
# BUILD_DIR selects the build directory (default: build). Everything the run
# wrote stays in KEEP_DIR: the project, the report, out/, missed-links.txt,
# interface-stops.tsv. The exit status is the checks' status.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${BUILD_DIR:-build}"
keep="${1:-$build/acceptance-all}"
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  echo "acceptance-all: configure $build first (see scripts/test.sh)" >&2
  exit 2
fi
cmake --build "$build" --target acceptance_tests interface_stops corvanet-cli

rm -rf "$keep"
status=0
"$build/bin/acceptance_tests" --cli "$build/bin/corvanet-cli" --python python3 \
  --generator tests/acceptance/make_project.py --checkers tests/support \
  --all --keep "$keep" || status=$?
if [ "$status" -eq 77 ]; then
  echo "acceptance-all: fpc-source and lazarus-src are not installed (scripts/setup.sh)" >&2
  exit 77
fi
# The project's manifest (name, written path, path on disk) is the units' list.
cp "$keep/AcceptanceProject.tsv" "$keep/units.tsv"
"$build/bin/interface_stops" "$keep/units.tsv" >"$keep/interface-stops.tsv"
python3 tests/acceptance/explain.py "$keep"
exit "$status"
