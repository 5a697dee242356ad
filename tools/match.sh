#!/usr/bin/env bash
# Engine-against-engine games with fastchess (a UCI match runner that checks
# every move for legality and reports time losses, crashes and protocol faults).
#   tools/match.sh            both matches below
#   GAMES1=10 GAMES2=4 tools/match.sh   shorter runs
# Results go to build/match/: the fastchess output and the games as PGN.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runner=${FASTCHESS:-$root/../shared/tools/fastchess/fastchess}
openings=${OPENINGS:-$root/tools/data/openings.epd}
engine=$root/build/release/ardentis
games1=${GAMES1:-100}
games2=${GAMES2:-20}

[ -x "$runner" ] || { echo "fastchess not found at $runner (set FASTCHESS)"; exit 1; }
[ -x "$engine" ] || { echo "build the engine first (make)"; exit 1; }

out=$root/build/match
rm -rf "$out"
mkdir -p "$out/t1" "$out/t2"
# The games use a copy, so that rebuilding during a match changes nothing.
cp "$engine" "$out/ardentis"
engine=$out/ardentis
for t in 1 2; do
  cat > "$out/t$t/Ardentis.ini" <<INI
[ENGINE]
Thread=$t
HashSize=64
HashEvalSize=8
HashQSize=8
[BOOK]
Book=0
[TABLEBASE]
Syzygy=0
INI
done

# Half of each match's games are played with the Ponder option on; the runner
# never sends "go ponder", so this checks that the ponder move in "bestmove"
# lines does not disturb it.
match() {
  local name=$1 dir=$2 tc=$3 games=$4
  echo "== $name: $games games at $tc, threads in $dir"
  # fastchess keeps its state (config.json) in the working directory.
  (cd "$out" && "$runner" \
    -engine cmd="$engine" name=A dir="$out/$dir" option.Ponder=true \
    -engine cmd="$engine" name=B dir="$out/$dir" option.Ponder=false \
    -each tc="$tc" proto=uci \
    -openings file="$openings" format=epd order=random \
    -rounds $((games / 2)) -games 2 -concurrency 1 \
    -pgnout file="$out/$name.pgn" \
    -ratinginterval 0) 2>&1 | tee "$out/$name.log"
}

match one-thread t1 5+0.05 "$games1"
match two-threads t2 10+0.1 "$games2"

echo "== summary"
for name in one-thread two-threads; do
  echo "-- $name"
  grep -E -i "Games|illegal|time|disconnect|crash|Finished" "$out/$name.log" | tail -n 8 || true
done
