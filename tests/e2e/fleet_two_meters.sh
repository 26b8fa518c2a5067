#!/usr/bin/env bash
# Two meters on this machine (two data folders, two TUN links) uploading to one throw-away
# PostgreSQL server, which is stopped while their sessions run and started again: the server must
# end with every session row exactly once and the same figures as the two stores. Run by hand,
# as root (TUN links): tests/e2e/fleet_two_meters.sh <folder of the programs>
set -uo pipefail
bin=${1:?folder of the programs}
for tool in sqlcipher psql; do command -v $tool >/dev/null || { echo "SKIPPED: no $tool"; exit 0; }; done
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill $p 2>/dev/null; done; wait 2>/dev/null; pg_stop immediate; }
trap 'cleanup; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/pg_cluster.bash"
start_pg_cluster
$bin/Enroldesk --init-server "$(pg_conninfo postgres)"
pg_sql "create role pca login in role dialtoll_pc; create role pcb login in role dialtoll_pc;"
for pc in a b; do
  mkdir -p $work/$pc
  printf '[Server]\nConnection="%s"\nPcName=PC-%s\n' "$(pg_conninfo pc$pc)" $pc > $work/$pc/fleet.ini
  DIALTOLL_HOME=$work/$pc DIALTOLL_DIALUP_IFACES="ux$pc*" QT_QPA_PLATFORM=offscreen $bin/Dialtoll > $work/$pc.log 2>&1 &
  pids+=($!)
done
sleep 3
link() { $bin/tun_link $1 $work/$1.pid > $work/$1.out 2>&1 & echo $!; }
la=$(link uxa0); lb=$(link uxb0); pids+=($la $lb)
sleep 4
echo "server rows with links up: $(pg_sql 'select count(*) from dialtoll.sessions')"
pg_stop fast; echo "server stopped"
sleep 3
kill $la $lb; sleep 2
la=$(link uxa1); lb=$(link uxb1); pids+=($la $lb); sleep 3; kill $la $lb; sleep 2
echo "server down; sessions closed"
pg_start; echo "server started"
sleep 25
key="PRAGMA key='松风明月夜';"
for pc in a b; do
  echo "PC $pc local rows: $(printf ".timeout 5000\n$key\nselect count(*) from Notes;\n" | sqlcipher $work/$pc/veyranettimer.dat | tail -1)"
  printf ".timeout 5000\n$key\nselect User,Count,FromD,FromT,ToD,ToT,ThisTm,coalesce(ThisMoney,0) from Notes order by rowid;\n" | sqlcipher $work/$pc/veyranettimer.dat | grep "|" | sed "s/^/PC-$pc|/" | sort > $work/local_$pc.txt
done
cat $work/local_a.txt $work/local_b.txt | sort > $work/local.txt
pg_sql "select p.name, s.account, s.count, s.from_d, s.from_t, s.to_d, s.to_t, s.this_tm, s.this_money from dialtoll.sessions s join dialtoll.pcs p using (pc_id)" | sort > $work/server.txt
echo "server rows: $(wc -l < $work/server.txt)  local rows: $(wc -l < $work/local.txt)  conflicts: $(pg_sql 'select count(*) from dialtoll.session_conflicts')"
diff -u <(sed 's/|\([0-9.]*\)$/|\1/' $work/local.txt | awk -F'|' -v OFS='|' '{$9=sprintf("%.4f",$9); print}') <(awk -F'|' -v OFS='|' '{$9=sprintf("%.4f",$9); print}' $work/server.txt) || fail "the server differs from the stores"
echo "PASS: the server holds every row once, as the stores do"
