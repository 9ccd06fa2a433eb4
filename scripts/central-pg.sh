#!/usr/bin/env bash
# A throwaway PostgreSQL server for the central exchange database, in a folder of its
# own, with a user-level ODBC data source "ParvekWeb" pointing at it. No system file is
# changed: the server listens only on a socket inside the folder and the data source
# lives in FOLDER/odbc.ini.
#
#   central-pg.sh start FOLDER [PORT]     create (first time) and start; database "central"
#   central-pg.sh stop FOLDER [MODE]      stop (MODE fast or immediate; default fast)
#   central-pg.sh env FOLDER              print the environment lines for the data source
#
# After "start", `export ODBCINI=FOLDER/odbc.ini` makes the data source visible to the
# exchange program. The server refuses to run as root, so as root it runs as the
# postgres user.
set -euo pipefail

cmd=${1:?"usage: central-pg.sh start|stop|env FOLDER [PORT|MODE]"}
folder=${2:?"a folder is needed"}
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
data="$folder/data"
sock="$folder/sock"
logs="$folder/log"

bindir=${PG_BINDIR:-}
if [ -z "$bindir" ]; then
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)
fi
if [ -z "$bindir" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "PostgreSQL server programs not found (install the package postgresql)" >&2
  exit 2
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
start)
  port=${3:-55432}
  if [ ! -f "$data/PG_VERSION" ]; then
    mkdir -p "$data" "$sock" "$logs"
    chmod 755 "$folder"
    if [ "$(id -u)" -eq 0 ]; then
      chown postgres: "$data" "$sock" "$logs"
    fi
    chmod 700 "$data"
    as_owner "$bindir/initdb" -D "$data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$folder/initdb.log" 2>&1 ||
      { cat "$folder/initdb.log" >&2; exit 1; }
    echo "$port" >"$folder/port"
  fi
  port=$(cat "$folder/port")
  as_owner "$bindir/pg_ctl" -D "$data" -w -t 60 -l "$logs/server.log" \
    -o "-p $port -k $sock -c listen_addresses='' -c fsync=on" start >/dev/null ||
    { tail -20 "$logs/server.log" >&2; exit 1; }
  if ! as_owner "$bindir/psql" -h "$sock" -p "$port" -U postgres -d postgres -tAc \
      "SELECT 1 FROM pg_database WHERE datname = 'central'" | grep -q 1; then
    as_owner "$bindir/createdb" -h "$sock" -p "$port" -U postgres central
  fi
  cat >"$folder/odbc.ini" <<EOF
[ParvekWeb]
Description = Central exchange database (throwaway server in $folder)
Driver      = PostgreSQL Unicode
Servername  = $sock
Port        = $port
Database    = central
Username    = postgres
UseServerSidePrepare = 0
EOF
  ;;
stop)
  mode=${3:-fast}
  as_owner "$bindir/pg_ctl" -D "$data" -w -t 60 stop -m "$mode" >/dev/null
  ;;
env)
  echo "ODBCINI=$folder/odbc.ini"
  ;;
*)
  echo "unknown command: $cmd" >&2
  exit 2
  ;;
esac
