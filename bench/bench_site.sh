#!/bin/bash
# The code browser's cost: times `--site` against the plain site
# (`--index --line-numbers --link-units`) on a tree, in alternating runs, each into an emptied
# folder, and prints wall time, user and system CPU and peak memory of every run.
#
#   bench/bench_site.sh TREE [ROUNDS]
#
# PAS2HTML names the converter (build/bin/pas2html); BEFORE another one to alternate with
# (a build of an earlier commit); JOBS the -j of the runs (2); OUT the folder the pages go
# to (a fresh one in /dev/shm, removed at the end: in memory, the conversion is measured, not
# the disk).
set -euo pipefail
tree=${1:?usage: bench/bench_site.sh TREE [ROUNDS]}
rounds=${2:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
pas2html=${PAS2HTML:-$here/build/bin/pas2html}
jobs=${JOBS:-2}
out=${OUT:-$(mktemp -d /dev/shm/bench_site.XXXXXX)}
trap 'rm -rf "$out"' EXIT

run() { # NAME BINARY OPTIONS...
    local name=$1 binary=$2
    shift 2
    rm -rf "$out"
    mkdir -p "$out"
    /usr/bin/time -f "%e %U %S %M" -o "$out.time" "$binary" -q -j "$jobs" "$@" -o "$out" "$tree"
    read -r wall user sys peak <"$out.time"
    rm -f "$out.time"
    printf '%-14s %7.2f s wall %7.2f s user %6.2f s sys %6d MB\n' \
        "$name" "$wall" "$user" "$sys" $((peak / 1024))
}

echo "$tree, -j $jobs, $rounds rounds"
for ((round = 1; round <= rounds; ++round)); do
    run plain "$pas2html" --index --line-numbers --link-units
    run site "$pas2html" --site
    if [[ -n ${BEFORE:-} ]]; then
        run "site, before" "$BEFORE" --site
    fi
done
