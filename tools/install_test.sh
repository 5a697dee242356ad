#!/usr/bin/env bash
# Installs into a staging folder, runs the installed engine from another folder
# with its settings in the user's configuration folder, then uninstalls and
# checks that nothing is left behind.
set -euo pipefail
cd "$(dirname "$0")/.."
unset MAKEFLAGS MFLAGS MAKELEVEL
stage=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$stage" "$work"' EXIT

make -s install DESTDIR="$stage" PREFIX=/usr/local >/dev/null
for f in usr/local/bin/ardentis usr/local/share/doc/ardentis/Ardentis.ini usr/local/share/doc/ardentis/README.md; do
    [ -f "$stage/$f" ] || { echo "not installed: $f"; exit 1; }
done

mkdir -p "$work/config/ardentis" "$work/elsewhere"
printf '[ENGINE]\nThread=3\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n' \
    >"$work/config/ardentis/Ardentis.ini"
out=$(cd "$work/elsewhere" && echo quit | HOME="$work" XDG_CONFIG_HOME="$work/config" "$stage/usr/local/bin/ardentis")
grep -q "Thread allocated for lazySMP: 3" <<<"$out" || { echo "settings of the user folder not used:"; echo "$out"; exit 1; }

make -s uninstall DESTDIR="$stage" PREFIX=/usr/local >/dev/null
left=$(find "$stage" -mindepth 1 | head -5)
[ -z "$left" ] || { echo "left after uninstall:"; echo "$left"; exit 1; }
echo "install, run from another folder, uninstall: ok"
