#!/usr/bin/env bash
# Builds the engine as a distributed-testing framework does (make EXE=<path>,
# into a folder that does not exist yet) and checks that the last line of
# "<engine> bench" reads "<N> nodes <M> nps".
set -euo pipefail
cd "$(dirname "$0")/.."
unset MAKEFLAGS MFLAGS MAKELEVEL
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

exe="$work/out/ardentis-test"
make -s EXE="$exe" >/dev/null
[ -x "$exe" ] || { echo "make EXE=$exe left no engine there"; exit 1; }
last=$("$exe" bench </dev/null | tail -n 1)
grep -qE '^[0-9]+ nodes [0-9]+ nps$' <<<"$last" || { echo "last bench line not '<N> nodes <M> nps': $last"; exit 1; }
echo "make EXE=..., bench's last line ($last): ok"
