#!/usr/bin/env bash
# Builds the search benchmark and the demo generator, makes the full-size database when it is missing
# (1,000,000 ldomainhis + 200,000 ldomainreg rows with their name index, about 30 s) and runs the
# benchmark on it.
#
#   bench/run_search_bench.sh [--db FILE] [--reps N] [--rebuild-db] [--warm]
#
# BUILD_DIR (default build-bench) and JOBS (default 1) choose the build. The database is kept between
# runs (default /tmp/dropscout_search_bench.db); --rebuild-db makes it afresh, e.g. after a schema change.
# --warm leaves the file in the system's cache for the first press of each command (see search_bench.cpp).
#
# Beside it, FILE with .orig.db for .db holds the same rows as files were made before the name index:
# without the index and its triggers, with statistics from samples (about 20 s more, kept as well). The
# keyword cases time the sqlite3 program on it as the baseline, and the benchmark times the first open
# of a copy of it, which builds the index. Whole run: about 3 minutes on 2 cores.
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

orig=${db%.db}.orig.db
if [ "$rebuild" = 1 ] || [ ! -f "$db" ]; then
  "$build/bench/dropscout_demodata" "$db" --his 1000000 --reg 200000
  rm -f "$orig"
fi
if [ ! -f "$orig" ]; then
  start=$(date +%s)
  cp "$db" "$orig.tmp"
  sqlite3 "$orig.tmp" "
    DROP TRIGGER ldomainreg_fts_insert; DROP TRIGGER ldomainreg_fts_delete; DROP TRIGGER ldomainreg_fts_update;
    DROP TRIGGER ldomainhis_fts_insert; DROP TRIGGER ldomainhis_fts_delete; DROP TRIGGER ldomainhis_fts_update;
    DROP TABLE ldomainreg_fts; DROP TABLE ldomainhis_fts;
    PRAGMA analysis_limit=1000; ANALYZE; VACUUM;" >/dev/null
  mv "$orig.tmp" "$orig"
  echo "wrote $orig (the rows as files held them before the name index) in $(( $(date +%s) - start )) s"
fi
QT_QPA_PLATFORM=offscreen exec "$build/bench/search_bench" --db "$db" --orig "$orig" --reps "$reps" "${warm[@]}"
