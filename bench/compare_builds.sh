#!/usr/bin/env bash
# Runs two torven builds over the same structures and option sets and compares
# everything each run leaves: the nine report files, standard output, standard
# error and the exit status. Prints one line per difference and exits 1 when
# there is any, 0 when every run agrees byte for byte.
#
#   bench/compare_builds.sh OLD_TORVEN NEW_TORVEN [STRUCTURE ...]
#
# Without structures it takes every .pdb and .cif file in ../shared/structures
# (relative to the repository) and, when python3 is there, superimposed copies
# of the 1bna duplex from ../shared/tools/dense_copies.py. Files ending in .cif
# are read with -CIF. The variant lists come from data/ unless NUCLEIC_ACID_DIR
# is set. JOBS (default 8) runs that many comparisons at once.
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
export NUCLEIC_ACID_DIR=${NUCLEIC_ACID_DIR:-$repo/data}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

structures=("$@")
if [ ${#structures[@]} -eq 0 ]; then
  shared="$repo/../shared"
  structures=("$shared"/structures/*.pdb "$shared"/structures/*.cif)
  if command -v python3 >/dev/null && [ -f "$shared/tools/dense_copies.py" ]; then
    for n in 5 40; do
      python3 "$shared/tools/dense_copies.py" "$n" "$work/dense$n.cif"
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

# One comparison: structure $1, option set $2, case number $3.
compare_one() {
  local src=$1 opts=$2 k=$3
  local base
  base=$(basename "$src")
  case $src in *.cif) opts="-CIF $opts" ;; esac
  local side status=0
  for side in old new; do
    local dir="$work/case$k/$side"
    mkdir -p "$dir"
    cp "$src" "$dir/$base"
    local bin=$old
    [ $side = new ] && bin=$new
    # shellcheck disable=SC2086 # the option set is split into words on purpose
    (cd "$dir" && { "$bin" $opts "$base" >../$side.stdout 2>../$side.stderr; echo $? >../$side.status; })
  done
  local f
  for f in stdout stderr status; do
    cmp -s "$work/case$k/old.$f" "$work/case$k/new.$f" ||
      { echo "DIFF $base [$opts] $f"; status=1; }
  done
  for f in $( (cd "$work/case$k/old" && ls; cd "$work/case$k/new" && ls) | sort -u); do
    cmp -s "$work/case$k/old/$f" "$work/case$k/new/$f" ||
      { echo "DIFF $base [$opts] $f"; status=1; }
  done
  rm -rf "$work/case$k"
  return $status
}
export -f compare_one
export old new work

runs=$((${#structures[@]} * ${#option_sets[@]}))
k=0
for s in "${structures[@]}"; do
  for o in "${option_sets[@]}"; do
    k=$((k + 1))
    printf '%s\0%s\0%s\0' "$s" "$o" "$k"
  done
done | xargs -0 -n 3 -P "${JOBS:-8}" bash -c 'compare_one "$@"' _ >"$work/report" || true

if [ -s "$work/report" ]; then
  sort "$work/report"
  echo "$(wc -l <"$work/report") differences in $runs runs"
  exit 1
fi
echo "no difference in $runs runs"
