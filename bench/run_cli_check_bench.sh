#!/usr/bin/env bash
# Times dropscout-cli's registration check over 1,000 names against the demo services on loopback:
#   1. --source registry at the default politeness (the demo's RDAP server for .com/.net/.org, its
#      CNNIC-style port-43 whois for .cn);
#   2. the operator's whois page with --concurrency 8;
#   3. the same run again with --skip-fresh 24 (answered from the ledger).
# Prints the wall time and the summary line of each run.
#
#   bench/run_cli_check_bench.sh [--n 1000]
#
# BUILD_DIR (default build) names the build holding dropscout-cli and dropscout_demo_services. Needs the
# demo ports (8731-8745) free. About 4 minutes, most of it the registry run's politeness (two requests at
# once per host, 200 ms apart).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="$root/${BUILD_DIR:-build}"
n=1000
[ "${1:-}" = --n ] && n=$2
cli="$build/dropscout-cli"
services="$build/dropscout_demo_services"
for program in "$cli" "$services"; do
  [ -x "$program" ] || { echo "run_cli_check_bench: $program not built (run scripts/build)" >&2; exit 1; }
done

work=$(mktemp -d)
services_pid=""
cleanup() {
  if [ -n "$services_pid" ]; then kill "$services_pid" 2>/dev/null || true; wait "$services_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
"$services" --db "$work/demo.db" --lifetime 1800 >services.log 2>&1 &
services_pid=$!
for _ in $(seq 100); do grep -q listening services.log 2>/dev/null && break; sleep 0.2; done

cp "$root/data/demo_rdap_dns.json" "$root/data/demo_whois_servers.txt" .
cat > dropscout.ini <<INI
RdapBootstrap=demo_rdap_dns.json
WhoisServers=demo_whois_servers.txt
TotalTimeoutMs=8000
INI
# Names the demo has never heard of: the services answer every name by a hash of it.
for i in $(seq "$n"); do
  case $((i % 4)) in
    0) echo "bench$i.com" ;; 1) echo "bench$i.net" ;; 2) echo "bench$i.cn" ;; 3) echo "bench$i.org" ;;
  esac
done > names.txt

timed() {
  local label=$1; shift
  local start end status=0
  start=$(date +%s.%N)
  "$cli" --ledger "$work/ledger-$label.db" "$@" names.txt >"$label.jsonl" 2>"$label.err" || status=$?
  end=$(date +%s.%N)
  printf '%-44s %8.1f s  exit %d  %s\n' "$label" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$status" "$(tail -n 1 "$label.err")"
}

echo "$n names (a quarter each .com .net .org .cn), demo services on loopback"
timed registry-default-politeness check registration --source registry
timed operator-concurrency-8 check registration --concurrency 8 --whois-url http://127.0.0.1:8732/whois?domain=
cp "$work/ledger-operator-concurrency-8.db" "$work/ledger-operator-skip-fresh-24.db"
timed operator-skip-fresh-24 check registration --concurrency 8 --skip-fresh 24 --whois-url http://127.0.0.1:8732/whois?domain=
echo "verdicts of the registry run:"
grep -o '"verdict":"[a-z-]*"' registry-default-politeness.jsonl | sort | uniq -c
