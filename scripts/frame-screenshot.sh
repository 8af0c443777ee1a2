#!/bin/sh
# Renders the two-frame page of a run in headless Chromium, so the frame can be
# checked as a real browser shows it: runs corvanet-cli on a project, then
# writes a screenshot of OUTDIR/index.html. Nothing is built here; build
# corvanet-cli first. A fresh browser profile is used and removed each time.
#
# usage: scripts/frame-screenshot.sh [CLI [PROJECT [OUTDIR [PNG]]]]
#   defaults: build/bin/corvanet-cli examples/demo/demo.dpr /tmp/cvdemo /tmp/frame.png
#   CHROMIUM names the browser (default: chromium).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/bin/corvanet-cli}
project=${2:-$root/examples/demo/demo.dpr}
out=${3:-/tmp/cvdemo}
png=${4:-/tmp/frame.png}
browser=${CHROMIUM:-chromium}

"$cli" -q -o "$out" "$project" >/dev/null
page="$(cd "$out" && pwd)/index.html"
[ -f "$page" ] || { echo "frame-screenshot: no index.html in $out" >&2; exit 1; }

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT INT TERM
"$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --screenshot="$png" --window-size=1200,800 \
    "file://$page" >/dev/null 2>&1
[ -s "$png" ] || { echo "frame-screenshot: no screenshot written" >&2; exit 1; }
echo "$png"
