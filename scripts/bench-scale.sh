#!/usr/bin/env bash
# Scale and memory of whole runs, on synthetic projects of bench/gen_project.py,
# through bench/run_harness.cpp (each run a child process of its own: wall and
# CPU seconds, peak RSS). Prints
#   - linearity: 10 times the units at the same fan-out (500 -> 5,000 units,
#     each using 10 others); the time ratio should stay at most 11;
#   - a project of 5,000 units each using 50 others, which must complete;
#   - memory: the same 500 units with four times the text (40 routines more
#     per implementation, the same symbol table), and the 5,000-unit projects
#     (ten times the table).
#
#   scripts/bench-scale.sh [--runs N] [--work DIR] [--out DIR]
#
# The runs write under --out (default: WORK/out), in a directory of this
# session's own; on a disk nothing there is deleted (see bench-compare.sh: file
# creation on ext4 stays slow long after deletions); --out /dev/shm/... keeps
# the disk out of the wall times, and there the outputs are deleted at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

runs=3
work=/tmp/corvanet-scale
out_root=
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --out) out_root="$2"; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--work DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCORVANET_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 run_harness >/dev/null

# name units fanout private: the generator is deterministic, so a project made
# before is the same and is kept.
projects=("u500-f10 500 10 0" "u5000-f10 5000 10 0" "u5000-f50 5000 50 0" "u500-f10-big 500 10 40")
mkdir -p "$work"
for project in "${projects[@]}"; do
  read -r name units fanout private <<<"$project"
  [ -f "$work/$name/Synthetic.dpr" ] ||
    python3 "$root/bench/gen_project.py" --units "$units" --fanout "$fanout" --private "$private" "$work/$name"
done

session="${out_root:-$work/out}/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$session"
sync
echo "bench-scale: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
"$build/bin/run_harness" --runs "$runs" --output "$session" --tsv \
  "$work/u500-f10/Synthetic.dpr" "$work/u5000-f10/Synthetic.dpr" \
  "$work/u5000-f50/Synthetic.dpr" "$work/u500-f10-big/Synthetic.dpr" | tee "$work/results.tsv" |
  awk -F'\t' '$2 != "noise"' | column -t -s $'\t'
# In memory the outputs (about 2.4 GB for five runs) would only take room
# from the next measurement; on a disk they stay (see above).
if [ "$(stat -f -c %T "$session")" = tmpfs ]; then
  rm -rf "$session"
  echo "bench-scale: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; outputs deleted (in memory)"
else
  echo "bench-scale: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; outputs kept in $session"
fi

# Medians by project (the harness's "median" rows), in the order run.
awk -F'\t' '
  $2 == "median" { split($1, p, "/"); wall[p[1]] = $9; cpu[p[1]] = $10; rss[p[1]] = $13; sym[p[1]] = $6; mb[p[1]] = $4 }
  $2 == "noise"  { split($1, p, "/"); noise[p[1]] = $3 " " $4 }
  END {
    printf "\nlinearity, 500 -> 5,000 units, fan-out 10: wall x%.2f, CPU x%.2f (target: at most 11)\n",
           wall["u5000-f10"] / wall["u500-f10"], cpu["u5000-f10"] / cpu["u500-f10"]
    printf "5,000 units, fan-out 50: completed, %.2f MB in %.3f s wall (%s)\n",
           mb["u5000-f50"], wall["u5000-f50"], noise["u5000-f50"]
    printf "memory: 500 units %.1f MB source -> %.1f MB peak RSS; with %.1f MB source (same %d symbols) -> %.1f MB\n",
           mb["u500-f10"], rss["u500-f10"], mb["u500-f10-big"], sym["u500-f10-big"], rss["u500-f10-big"]
    printf "memory: %d symbols -> %.1f MB, %d symbols -> %.1f MB (fan-out 10), %.1f MB (fan-out 50)\n",
           sym["u500-f10"], rss["u500-f10"], sym["u5000-f10"], rss["u5000-f10"], rss["u5000-f50"]
  }' "$work/results.tsv"
