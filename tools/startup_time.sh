#!/usr/bin/env bash
# Start-up time: from launching the engine to its "uciok" line, with a
# small-table Ardentis.ini, averaged over 20 runs.
set -euo pipefail
engine=$(cd "$(dirname "$0")/.." && pwd)/build/release/ardentis
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '[ENGINE]\nThread=1\nHashSize=16\nHashEvalSize=4\nHashQSize=4\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n' > "$dir/Ardentis.ini"
cd "$dir"
runs=20
total=0
for _ in $(seq $runs); do
  start=$(date +%s%N)
  coproc ENGINE { "$engine"; }
  echo uci >&"${ENGINE[1]}"
  while IFS= read -r line <&"${ENGINE[0]}"; do
    [ "$line" = "uciok" ] && break
  done
  end=$(date +%s%N)
  echo quit >&"${ENGINE[1]}"
  wait "$ENGINE_PID" || true
  total=$((total + (end - start) / 1000))
done
echo "Start-up to uciok:  $((total / runs)) us (mean of $runs runs, 16 MB tables)"
