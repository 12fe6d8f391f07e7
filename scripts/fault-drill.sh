#!/usr/bin/env bash
# The fault drill: the situations a clinic meets with several workstations
# on one database, walked end to end, printing what held.
#   scripts/fault-drill.sh [BIN]     BIN: the folder with tovlet-demo and fault_drill (build/bin)
# On the embedded database (SQLite) and on a throw-away PostgreSQL server;
# the demo itself for first starts, damaged files and a broken use-case file.
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/bin}
demo="$bin/tovlet-demo"
failed=0
work=$(mktemp -d /tmp/tovlet-drill-XXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

check() { # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then echo "held: $name"; else echo "FAILED: $name"; failed=1; fi
}
patients() { sqlite3 "$1/qdat.sqlite" "select count(*) from PACIENT" 2>/dev/null; }

echo "== the demo"
for round in 1 2 3 4 5; do
  d="$work/first-$round"
  "$demo" --data-dir "$d" --screenshot "$work/a$round.png" >"$work/a$round.log" 2>&1 & a=$!
  "$demo" --data-dir "$d" --screenshot "$work/b$round.png" >"$work/b$round.log" 2>&1 & b=$!
  wait $a; ra=$?; wait $b; rb=$?
  [ $ra -eq 0 ] && [ $rb -eq 0 ] && [ "$(patients "$d")" = 8 ] || { bad_first=$round; break; }
done
check "two first starts at once make one seeded database (5 rounds)" test -z "${bad_first:-}"

d="$work/first-1"
printf '<?xml version="1.0"?>\n<UseCaseSystem>\n<WinControls>\n<WinControl><Code>mnu' >"$d/usecases.xml"
"$demo" --data-dir "$d" --screenshot "$work/uc.png" >"$work/uc.log" 2>&1; rc=$?
check "a broken use-case file is named with its line and the defaults start" \
  bash -c "[ $rc -eq 0 ] && grep -q 'usecases.xml' '$work/uc.log' && grep -q 'line' '$work/uc.log'"

d="$work/first-2"; cp "$d/qdat.sqlite" "$work/qdat.backup"; : >"$d/qdat.sqlite"
"$demo" --data-dir "$d" --screenshot "$work/e.png" >"$work/e.log" 2>&1; rc=$?
check "an empty clinic file is named, not opened as an empty clinic" \
  bash -c "[ $rc -ne 0 ] && grep -q 'qdat.sqlite' '$work/e.log' && [ ! -s '$d/qdat.sqlite' ]"

d="$work/first-3"; printf 'garbage garbage garbage garbage' | dd of="$d/tovlet-demo.sqlite" conv=notrunc status=none
"$demo" --data-dir "$d" --screenshot "$work/m.png" >"$work/m.log" 2>&1; rc=$?
check "a damaged main file is named as itself" \
  bash -c "[ $rc -ne 0 ] && grep -q 'tovlet-demo.sqlite' '$work/m.log' && ! grep -q 'qdat.sqlite je' '$work/m.log'"

d="$work/first-4"; dd if=/dev/urandom of="$d/qdat.sqlite" bs=1 seek=8200 count=3000 conv=notrunc status=none
"$demo" --data-dir "$d" --screenshot "$work/g.png" >"$work/g.log" 2>&1; rc=$?
check "a garbled page of the clinic file is found at start" bash -c "[ $rc -ne 0 ] && grep -q 'qdat.sqlite' '$work/g.log'"

env -u DISPLAY QT_QPA_PLATFORM=xcb "$demo" --help >"$work/help.log" 2>&1; rc=$?
check "--help answers without a display" bash -c "[ $rc -eq 0 ] && grep -q -- '--data-dir' '$work/help.log'"

echo "== the library on the embedded database"
"$bin/fault_drill" || failed=1

echo "== the library on PostgreSQL"
pgdir="/tmp/tovlet-drill-pg-$$" # made by the server script (its owner must reach it)
pgport=$((56100 + RANDOM % 800))
if scripts/pg-test-server.sh start "$pgdir" "$pgport" >/dev/null; then
  TOVLET_PG_PORT=$pgport "$bin/fault_drill" --postgres "$pgport" "$pgdir" || failed=1
  scripts/pg-test-server.sh stop "$pgdir"
else
  echo "FAILED: the PostgreSQL server did not start"; failed=1
fi

[ $failed -eq 0 ] && echo "fault drill: everything held" || echo "fault drill: something did not hold"
exit $failed
