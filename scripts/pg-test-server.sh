#!/usr/bin/env bash
# A throw-away PostgreSQL server on loopback for the persistence tests.
#   pg-test-server.sh start DIR PORT   initialise DIR (if new) and start the server
#   pg-test-server.sh restart DIR PORT restart it (every connection is dropped)
#   pg-test-server.sh stop DIR         stop it and remove DIR, if this script made it
# The server trusts local connections only and listens on 127.0.0.1. A folder
# this script makes carries the mark file below; a folder without it is
# someone else's: the script neither initialises over it nor removes it.
set -euo pipefail

cmd=${1:?start|stop}
dir=${2:?data folder}
port=${3:-55432}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bindir" ] || { echo "pg-test-server: PostgreSQL server binaries not found (scripts/setup.sh installs them)" >&2; exit 1; }

# The server refuses to run as root; it runs as the postgres system user then.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

mark="$dir/.tovlet-pg-test-server"

case "$cmd" in
  start)
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      if [ -e "$dir" ] && [ ! -f "$mark" ] && [ -n "$(ls -A "$dir" 2>/dev/null)" ]; then
        echo "pg-test-server: $dir exists and was not made by this script; choose an empty or new folder" >&2
        exit 1
      fi
      [ -f "$mark" ] && rm -rf "$dir/data"
      mkdir -p "$dir"
      touch "$mark"
      if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
      as_owner "$bindir/initdb" -D "$dir/data" -U tovlet --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
        || { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    if as_owner "$bindir/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
      echo "pg-test-server: already running in $dir"
      exit 0
    fi
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-h 127.0.0.1 -p $port -k $dir -c fsync=off -c synchronous_commit=off -c max_connections=50" start >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    echo "pg-test-server: listening on 127.0.0.1:$port"
    ;;
  restart)
    # As a server restart in a clinic: every connection is dropped.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w -t 60 \
      -o "-h 127.0.0.1 -p $port -k $dir -c fsync=off -c synchronous_commit=off -c max_connections=50" restart >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    fi
    if [ -f "$mark" ]; then
      rm -rf "$dir"
    elif [ -e "$dir" ]; then
      echo "pg-test-server: $dir was not made by this script; left in place" >&2
    fi
    ;;
  *)
    echo "usage: $0 start|stop DIR [PORT]" >&2
    exit 2
    ;;
esac
