#!/bin/sh
# Takes the README's picture of the window: corvanet runs examples/demo on a
# virtual X display (Xvfb) and saves its window after the run. The fields come
# from a throw-away settings file, so the user's own settings are not touched.
# Usage: scripts/gui-screenshot.sh [OUTPUT.png]   (BUILD=dir to use another build)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build}
BIN=$BUILD/bin/corvanet
case ${1:-} in
  "") OUT=$ROOT/docs/corvanet-window.png ;;
  /*) OUT=$1 ;;
  *) OUT=$(pwd)/$1 ;;
esac
if [ ! -x "$BIN" ]; then
  echo "gui-screenshot: $BIN is not built (cmake --build \"$BUILD\" --target corvanet)" >&2
  exit 1
fi
if [ ! -f "$ROOT/examples/demo/demo.dpr" ]; then
  echo "gui-screenshot: $ROOT/examples/demo/demo.dpr is missing" >&2
  exit 1
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT INT TERM
# A copy of the demo, so the fields show short paths and the run writes
# nothing into the repository.
cp -R "$ROOT/examples/demo" "$WORK/demo"
mkdir -p "$WORK/html" "$(dirname "$OUT")"
cat >"$WORK/settings.ini" <<INI
[TForm1]
feProject=demo/demo.dpr
deBuildLocation=html
feHCRTF=
edtDefines="WIN32;VER100"
INI

cd "$WORK"
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$BIN" --settings "$WORK/settings.ini" --screenshot "$OUT"
echo "gui-screenshot: wrote $OUT"
