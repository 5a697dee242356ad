#!/usr/bin/env bash
# SPRT of one engine build against another with fastchess, on the balanced
# eight-ply openings (random order, each played with both colours).
#   tools/sprt.sh NAME NEW_ENGINE BASE_ENGINE [fastchess limit...]
#     NAME         folder under build/sprt/ for the log and the games
#     limit        default "tc=4+0.04"; e.g. "tc=inf nodes=20000" for search-only changes
# Environment: NEW_OPTS / BASE_OPTS (extra "option.X=Y" words for each side),
#   CONCURRENCY (default 1), ROUNDS (default 5000), ELO0/ELO1 (default 0/10),
#   OPENINGS (default ../shared/data/openings-8ply.epd), FASTCHESS.
# The last lines of build/sprt/NAME/fastchess.log give games, W/D/L, Elo and LLR.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
[ $# -ge 3 ] || { sed -n '2,12p' "$0"; exit 2; }
name=$1 new=$2 base=$3
shift 3
limit=${*:-tc=4+0.04}
runner=${FASTCHESS:-$root/../shared/tools/fastchess/fastchess}
openings=${OPENINGS:-$root/../shared/data/openings-8ply.epd}
out=$root/build/sprt/$name
mkdir -p "$out/new" "$out/base"
# Copies, so that rebuilding during a test changes nothing.
cp "$new" "$out/new/ardentis"
cp "$base" "$out/base/ardentis"
for side in new base; do
  cat > "$out/$side/Ardentis.ini" <<INI
[ENGINE]
Thread=1
HashSize=16
HashEvalSize=4
HashQSize=4
[BOOK]
Book=0
[TABLEBASE]
Syzygy=0
INI
done
# shellcheck disable=SC2086
"$runner" \
  -engine cmd="$out/new/ardentis" dir="$out/new" name=new ${NEW_OPTS:-} \
  -engine cmd="$out/base/ardentis" dir="$out/base" name=base ${BASE_OPTS:-} \
  -each proto=uci $limit option.Hash=16 option.Threads=1 option.OwnBook=false \
  -openings file="$openings" format=epd order=random \
  -rounds "${ROUNDS:-5000}" -repeat -concurrency "${CONCURRENCY:-1}" \
  -sprt elo0="${ELO0:-0}" elo1="${ELO1:-10}" alpha=0.05 beta=0.05 \
  -pgnout file="$out/games.pgn" -recover \
  2>&1 | tee "$out/fastchess.log" | grep --line-buffered -E "^(Results|Elo|LLR|Games|SPRT|Finished|Warning|Error)" || true
