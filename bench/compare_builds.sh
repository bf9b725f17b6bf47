#!/usr/bin/env bash
# Runs two torven builds over the same structures and option sets and compares
# everything each run leaves: the nine report files, standard output, standard
# error and the exit status. Prints one line per difference and exits 1 when
# there is any, 0 when every run agrees byte for byte.
#
#   bench/compare_builds.sh OLD_TORVEN NEW_TORVEN [STRUCTURE ...]
#
# Without structures it takes every .pdb and .cif file in ../shared/structures
# (relative to the repository root) and, when python3 is there, superimposed
# copies of the 1bna duplex from ../shared/tools/dense_copies.py. Files ending
# in .cif are read with -CIF. The variant lists come from data/ unless
# NUCLEIC_ACID_DIR is set. JOBS (default 8) runs that many comparisons at once.
#
# A run of torven that ends with any status below 126 (0, 1 and 2 among them)
# is compared like any other. The script exits 2, saying why on standard
# error, when it finds no structures, a build is not an executable file, the
# copies cannot be generated, or a run could not be started (status 126 or
# 127) or crashed (status 128 or above: ended by a signal); the differences
# found in the other runs are still listed.
set -euo pipefail

usage_lines=2,20
if [ $# -lt 2 ]; then
  sed -n "${usage_lines}p" "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
me=$(basename "$0")
die() { echo "$me: $*" >&2; exit 2; }

for bin in "$1" "$2"; do
  if ! [ -f "$bin" ] || ! [ -x "$bin" ]; then die "$bin is not an executable file"; fi
done
repo=$(cd "$(dirname "$0")/.." && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
export NUCLEIC_ACID_DIR=${NUCLEIC_ACID_DIR:-$repo/data}

structures=("$@")
for s in "${structures[@]}"; do
  [ -f "$s" ] || die "$s is not a structure file"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ${#structures[@]} -eq 0 ]; then
  shared="$repo/../shared"
  [ -d "$shared/structures" ] || die "no structures: $shared/structures is not a directory"
  shopt -s nullglob
  structures=("$shared"/structures/*.pdb "$shared"/structures/*.cif)
  shopt -u nullglob
  [ ${#structures[@]} -gt 0 ] || die "no structures: $shared/structures holds no .pdb or .cif file"
  if command -v python3 >/dev/null && [ -f "$shared/tools/dense_copies.py" ]; then
    for n in 5 40; do
      python3 "$shared/tools/dense_copies.py" "$n" "$work/dense$n.cif" ||
        die "$shared/tools/dense_copies.py $n failed (status $?)"
      [ -s "$work/dense$n.cif" ] || die "$shared/tools/dense_copies.py $n wrote nothing to $work/dense$n.cif"
      structures+=("$work/dense$n.cif")
    done
  fi
fi

option_sets=(
  "-HT"
  ""
  "-CH -SG"
  "-AB -HD 4.0 -VA 110 -EN 2.5"
  "-OL"
  "-NMR -MD 2"
  "-ML A"
)

# One comparison: structure $1, option set $2, case number $3. Prints a DIFF
# line on standard output for every output that differs. When a run could not
# be made, says so on standard error and returns 1; its outputs are not
# compared.
compare_one() {
  local src=$1 opts=$2 k=$3
  local base side bin dir st failed=0
  base=$(basename "$src")
  case $src in *.cif) opts="-CIF $opts" ;; esac
  for side in old new; do
    dir="$work/case$k/$side"
    bin=$old
    [ $side = new ] && bin=$new
    if ! mkdir -p "$dir" || ! cp "$src" "$dir/$base"; then
      echo "FAIL $base [$opts]: cannot copy $src for the $side build" >&2
      failed=1
      continue
    fi
    st=0
    # The outer 2>/dev/null keeps bash's own note of a signal off the report.
    # shellcheck disable=SC2086 # the option set is split into words on purpose
    { (cd "$dir" && exec "$bin" $opts "$base") >"$work/case$k/$side.stdout" 2>"$work/case$k/$side.stderr" || st=$?; } 2>/dev/null
    echo "$st" >"$work/case$k/$side.status"
    if [ "$st" -eq 126 ] || [ "$st" -eq 127 ]; then
      echo "FAIL $base [$opts]: $bin could not be started (status $st)" >&2
      failed=1
    elif [ "$st" -ge 128 ]; then
      echo "FAIL $base [$opts]: $bin crashed (status $st, signal $((st - 128)))" >&2
      failed=1
    fi
  done
  if [ $failed = 1 ]; then
    rm -rf "$work/case$k"
    return 1
  fi
  local f
  for f in stdout stderr status; do
    cmp -s "$work/case$k/old.$f" "$work/case$k/new.$f" ||
      echo "DIFF $base [$opts] $f"
  done
  for f in $( (cd "$work/case$k/old" && ls; cd "$work/case$k/new" && ls) | sort -u); do
    cmp -s "$work/case$k/old/$f" "$work/case$k/new/$f" ||
      echo "DIFF $base [$opts] $f"
  done
  rm -rf "$work/case$k"
}
export -f compare_one
export old new work

runs=$((${#structures[@]} * ${#option_sets[@]}))
k=0
status=0
for s in "${structures[@]}"; do
  for o in "${option_sets[@]}"; do
    k=$((k + 1))
    printf '%s\0%s\0%s\0' "$s" "$o" "$k"
  done
done | xargs -0 -n 3 -P "${JOBS:-8}" bash -c 'compare_one "$@"' _ >"$work/report" 2>"$work/failures" ||
  status=$?

if [ -s "$work/report" ]; then
  sort "$work/report"
fi
if [ $status -ne 0 ] || [ -s "$work/failures" ]; then
  sort "$work/failures" >&2
  failed=$(grep -c '^FAIL' "$work/failures" || true)
  if [ "$failed" -gt 0 ]; then
    echo "$me: $failed run(s) could not be made or crashed; the comparison is incomplete" >&2
  else
    echo "$me: the comparisons ended with status $status; the comparison is incomplete" >&2
  fi
  exit 2
fi
if [ -s "$work/report" ]; then
  echo "$(wc -l <"$work/report") differences in $runs runs"
  exit 1
fi
echo "no difference in $runs runs"
