#!/usr/bin/env bash
# Builds torven (Release) and times whole runs: the median wall time and
# the median peak memory of several runs of each structure, from
# /usr/bin/time. With --vs, a second build runs in turn with the first
# (A B A B ...) and the ratio of the medians is printed, so that both are
# measured under the same load.
#
#   bench/run.sh [--runs N] [--vs OTHER_TORVEN] [STRUCTURE ...]
#
# Without structures it takes the large entries of ../shared/structures
# that are present. Files ending in .cif are read with -CIF; every run
# uses -HT. Runs happen in a scratch directory that is removed afterwards.
# A run that does not end with status 0 is not timed: the script names the
# structure and the build, gives the status and the run's standard error,
# and exits 1.
set -euo pipefail

runs=7
other=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --vs) other=$2; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done

me=$(basename "$0")
die() { echo "$me: $*" >&2; exit 2; }
if [ -n "$other" ] && { ! [ -f "$other" ] || ! [ -x "$other" ]; }; then
  die "$other is not an executable file"
fi
[ -z "$other" ] || other=$(realpath "$other")
[ -x /usr/bin/time ] || die "/usr/bin/time is missing; it measures the peak memory"
for s in "$@"; do
  [ -f "$s" ] || die "$s is not a structure file"
done

repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build-bench"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 8 >/dev/null
torven="$build/torven"
export NUCLEIC_ACID_DIR=${NUCLEIC_ACID_DIR:-$repo/data}

structures=()
for s in "$@"; do structures+=("$(realpath "$s")"); done
if [ ${#structures[@]} -eq 0 ]; then
  for f in 4v5l.cif 1ffk.cif 1x8w.pdb 2miy.pdb 1ehz.pdb; do
    [ -f "$repo/../shared/structures/$f" ] && structures+=("$repo/../shared/structures/$f")
  done
fi
[ ${#structures[@]} -gt 0 ] || die "no structures to time"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# One timed run: prints "wall_seconds peak_kilobytes". The wall time is
# taken around the run from the shell's clock in microseconds (/usr/bin/time
# gives hundredths), the peak from /usr/bin/time. A run that ends with any
# other status than 0 ends the script instead.
timed() {
  local bin=$1 opts=$2 name=$3 t0 t1 st=0
  t0=${EPOCHREALTIME/[.,]/}
  # shellcheck disable=SC2086 # the options are split into words on purpose
  /usr/bin/time -f '%M' -o "$work/peak" "$bin" $opts "$name" >/dev/null 2>"$work/stderr" || st=$?
  t1=${EPOCHREALTIME/[.,]/}
  if [ "$st" -ne 0 ]; then
    local why="status $st"
    [ "$st" -ge 128 ] && why="$why, signal $((st - 128))"
    echo "$me: $name failed with $bin ($why); not timed" >&2
    sed 's/^/  /' "$work/stderr" >&2
    exit 1
  fi
  echo "$((t1 - t0)) $(<"$work/peak")" | awk '{printf "%.6f %d\n", $1 / 1e6, $2}'
}

cd "$work"
printf '%-28s %10s %10s' structure 'wall s' 'peak MiB'
[ -n "$other" ] && printf ' %10s %10s %8s' 'vs wall s' 'vs peak MiB' ratio
printf '\n'
for s in "${structures[@]}"; do
  name=$(basename "$s")
  cp "$s" "$work/$name"
  opts=-HT
  case $name in *.cif) opts="-CIF -HT" ;; esac
  timed "$torven" "$opts" "$name" >/dev/null  # warm-up
  [ -n "$other" ] && timed "$other" "$opts" "$name" >/dev/null
  : >"$work/a"
  : >"$work/b"
  for ((k = 0; k < runs; k++)); do
    timed "$torven" "$opts" "$name" >>"$work/a"
    [ -n "$other" ] && timed "$other" "$opts" "$name" >>"$work/b"
  done
  wall=$(cut -d' ' -f1 "$work/a" | median)
  peak=$(cut -d' ' -f2 "$work/a" | median)
  printf '%-28s %10.3f %10.1f' "$name" "$wall" "$(awk -v k="$peak" 'BEGIN {print k / 1024}')"
  if [ -n "$other" ]; then
    owall=$(cut -d' ' -f1 "$work/b" | median)
    opeak=$(cut -d' ' -f2 "$work/b" | median)
    printf ' %10.3f %10.1f %8.2f' "$owall" "$(awk -v k="$opeak" 'BEGIN {print k / 1024}')" \
      "$(awk -v a="$wall" -v b="$owall" 'BEGIN {print a / b}')"
  fi
  printf '\n'
  rm -f "$work"/*
done
