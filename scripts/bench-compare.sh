#!/usr/bin/env bash
# The whole job against the highlighters and the floor, on the same files in
# one session: corvanet-cli (both passes, both formats, links, frame), Pygments'
# Delphi lexer to HTML in one Python process, GNU source-highlight in one
# process, and bench/floor.cpp (read every source twice, write as many files
# and bytes as corvanet-cli wrote). Rounds are interleaved so that a noisy
# machine hits every tool alike; per tool the median wall time of the rounds
# with its min and max, then the ratios of the medians.
#
#   scripts/bench-compare.sh [--runs N] [--count UNITS] [--work DIR] [--out DIR]
#                            [--corpus real|synthetic|both]
#
# Every tool writes under --out (default: WORK/out), in a directory of this
# session's own; on a disk nothing there is deleted. A file system in memory
# (--out /dev/shm/corvanet-bench) takes the disk out of the comparison, though
# not the kernel's own swings: every tool writes the same, only faster, so the
# floor gains most from it. There each round's outputs are deleted after the
# round (nearly 500 MB for the real units): kept, they would fill the memory,
# and the kernel would reclaim cached pages for every later write.
#
# Corpora: --count real units from fpc-source and lazarus-src (900: about 26 MB)
# listed by tests/acceptance/make_project.py, and a synthetic project of
# bench/gen_project.py (800 units of about 30 KB, each using 10 others).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

runs=3
count=900
work=/tmp/corvanet-bench
out_root=
corpus=both
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --count) count="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --out) out_root="$2"; shift 2 ;;
    --corpus) corpus="$2"; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--count UNITS] [--work DIR] [--out DIR] [--corpus real|synthetic|both]" >&2; exit 2 ;;
  esac
done

# --- what the comparison needs -------------------------------------------------
python=python3
if ! python3 -c 'import pygments' 2>/dev/null; then
  if ! /usr/bin/python3 -c 'import pygments' 2>/dev/null; then
    apt-get install -y python3-pygments >/dev/null || { apt-get update >/dev/null && apt-get install -y python3-pygments >/dev/null; }
  fi
  python=/usr/bin/python3
fi
command -v source-highlight >/dev/null || apt-get install -y source-highlight >/dev/null ||
  { apt-get update >/dev/null && apt-get install -y source-highlight >/dev/null; }
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCORVANET_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 corvanet-cli floor >/dev/null
bin="$build/bin"

# --- corpora: a project file and the list of every file it reads --------------
mkdir -p "$work"
make_real() {
  python3 "$root/tests/acceptance/make_project.py" --count "$count" \
    --manifest "$work/real.manifest" "$work/real.dpr" >&2
  { echo "$work/real.dpr"; cut -f3 "$work/real.manifest"; } >"$work/real.list"
}
make_synthetic() {  # the generator is deterministic: a project made before is the same
  [ -f "$work/synthetic/Synthetic.dpr" ] ||
    python3 "$root/bench/gen_project.py" --units 800 --fanout 10 --private 50 "$work/synthetic"
  { echo "$work/synthetic/Synthetic.dpr"; ls "$work/synthetic/src/"*.pas; } >"$work/synthetic.list"
}

# --- one timed command: "wall user sys" appended to $work/times/<tool> ---------
# Every command writes into a directory that did not exist, after a sync, and
# nothing is deleted: on ext4 without a journal (as on these machines) the
# kernel passes over recently freed inodes each time it creates a file, for
# far longer than the rounds last (measured here: 1,806 files took 0.02 s to
# create, 0.40 s after four deletions of as many, the last of them 35 s before).
TIMEFORMAT='%3R %3U %3S'
timed() {
  local tool="$1"; shift
  sync
  { time "$@" >/dev/null 2>"$work/$tool.err"; } 2>>"$work/times/$tool" || {
    echo "bench-compare: $tool failed:" >&2; cat "$work/$tool.err" >&2; exit 1; }
}

run_round() {
  local list="$2" out="$session/$1-$3"
  timed corvanet "$bin/corvanet-cli" -q -o "$out/corvanet" --report /dev/null "$4"
  timed floor "$bin/floor" --sizes "$out/corvanet" --out "$out/floor" "$list"
  timed pygments "$python" "$root/bench/pygments_all.py" "$list" "$out/pygments"
  mkdir -p "$out/source-highlight"
  timed source-highlight bash -c \
    'xargs -a "$2" source-highlight --src-lang=pascal --out-format=html --output-dir="$1"' \
    _ "$out/source-highlight" "$list"
  if [ -n "$in_memory" ]; then rm -rf "$out"; fi
}

# Median, min and max of the wall times (first column) of a tool.
stats() { awk '{print $1}' "$work/times/$1" | sort -n | awk '{a[NR]=$1} END {printf "%.3f %.3f %.3f", a[int((NR+1)/2)], a[1], a[NR]}'; }
cpu() { awk '{print $2+$3}' "$work/times/$1" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'; }

report() {
  local name="$1" list="$2" mb
  mb=$(xargs -a "$list" stat -c %s | awk '{s+=$1} END {printf "%.2f", s/1048576}')
  echo
  echo "== $name: $(wc -l <"$list") files, $mb MB of source, $runs rounds (wall s: median [min max]; CPU s median)"
  for tool in corvanet floor pygments source-highlight; do
    read -r med lo hi <<<"$(stats $tool)"
    printf "  %-17s %8s  [%s %s]  CPU %s  %6.1f MB/s\n" "$tool" "$med" "$lo" "$hi" "$(cpu $tool)" \
      "$(awk -v m="$mb" -v t="$med" 'BEGIN {print m/t}')"
  done
  local c f p s cmin fmin
  c=$(stats corvanet | cut -d' ' -f1); f=$(stats floor | cut -d' ' -f1)
  p=$(stats pygments | cut -d' ' -f1); s=$(stats source-highlight | cut -d' ' -f1)
  cmin=$(stats corvanet | cut -d' ' -f2); fmin=$(stats floor | cut -d' ' -f2)
  # Noise on a shared machine only adds time, so the fastest rounds are also
  # compared: the floor is mostly kernel time, which swings the most.
  awk -v c="$c" -v f="$f" -v p="$p" -v s="$s" -v cmin="$cmin" -v fmin="$fmin" 'BEGIN {
    best = (p < s) ? p : s
    printf "  faster highlighter / corvanet: %.1fx   (target: at least 25x)\n", best / c
    printf "  corvanet / floor:              %.2fx  (target: at most 2x; fastest rounds: %.2fx)\n", c / f, cmin / fmin }'
}

measure() {
  local name="$1" project="$2" list="$3"
  rm -rf "$work/times"; mkdir -p "$work/times"
  for ((r = 1; r <= runs; r++)); do
    echo "bench-compare: $name, round $r of $runs" >&2
    run_round "$name" "$list" "$r" "$project"
  done
  report "$name" "$list"
}

echo "bench-compare: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
[ "$corpus" = synthetic ] || make_real
[ "$corpus" = real ] || make_synthetic
session="${out_root:-$work/out}/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$session"
in_memory=
if [ "$(stat -f -c %T "$session")" = tmpfs ]; then in_memory=1; fi
[ "$corpus" = synthetic ] || measure "real units" "$work/real.dpr" "$work/real.list"
[ "$corpus" = real ] || measure "synthetic" "$work/synthetic/Synthetic.dpr" "$work/synthetic.list"
if [ -n "$in_memory" ]; then
  echo "bench-compare: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; each round's outputs were deleted after it (in memory)"
else
  echo "bench-compare: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; outputs kept in $session (delete them well before the next measurement)"
fi
