#!/usr/bin/env bash
# Builds the search benchmark and the demo generator, makes the full-size database when it is missing
# (1,000,000 ldomainhis + 200,000 ldomainreg rows, about 10 s) and runs the benchmark on it.
#
#   bench/run_search_bench.sh [--db FILE] [--reps N] [--rebuild-db] [--warm]
#
# BUILD_DIR (default build-bench) and JOBS (default 1) choose the build. The database is kept between
# runs (default /tmp/dropscout_search_bench.db); --rebuild-db makes it afresh, e.g. after a schema change.
# --warm leaves the file in the system's cache for the first press of each command (see search_bench.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
jobs=${JOBS:-1}
db=/tmp/dropscout_search_bench.db
reps=7
rebuild=0
warm=()
while [ $# -gt 0 ]; do
  case "$1" in
    --db) db=$2; shift 2 ;;
    --reps) reps=$2; shift 2 ;;
    --rebuild-db) rebuild=1; shift ;;
    --warm) warm=(--warm); shift ;;
    *) echo "usage: $0 [--db FILE] [--reps N] [--rebuild-db] [--warm]" >&2; exit 2 ;;
  esac
done

command -v sqlite3 >/dev/null || { echo "the sqlite3 program is needed (apt-get install sqlite3)" >&2; exit 2; }
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j "$jobs" --target search_bench dropscout_demodata

if [ "$rebuild" = 1 ] || [ ! -f "$db" ]; then
  "$build/bench/dropscout_demodata" "$db" --his 1000000 --reg 200000
fi
QT_QPA_PLATFORM=offscreen exec "$build/bench/search_bench" --db "$db" --reps "$reps" "${warm[@]}"
