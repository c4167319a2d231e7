#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests that run on the server engine.
#
#   pgcluster.sh start DIR   creates a cluster in DIR/data and starts it, listening only on
#                            the local socket in DIR (no network port is opened)
#   pgcluster.sh stop DIR    stops it and removes DIR
#
# The superuser is "postgres", trusted on the socket; every other role logs in with its
# password. initdb refuses to run as root: as root the cluster belongs to the user
# "postgres" (created by Debian's server package). When no server is installed, start
# says so and ends without error: the tests then skip their server variant.
set -uo pipefail
cmd=${1:-}
dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 64
fi

bindir=""
for candidate in ${QAV_PG_BINDIR:-} /usr/lib/postgresql/*/bin; do
  if [ -x "$candidate/initdb" ] && [ -x "$candidate/pg_ctl" ]; then
    bindir=$candidate
  fi
done

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    # From a folder the user may enter: the checkout may sit in root's own home.
    (cd / && runuser -u postgres -- "$@")
  else
    "$@"
  fi
}

case "$cmd" in
start)
  if [ -z "$bindir" ]; then
    echo "No PostgreSQL server installed (initdb not found): the tests' server variants are skipped."
    exit 0
  fi
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "No user \"postgres\" to own the test server: the tests' server variants are skipped."
    exit 0
  fi
  # A cluster left by an interrupted run is stopped and made again.
  if [ -d "$dir/data" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  mkdir -p "$dir" || exit 1
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres "$dir" || exit 1
  fi
  chmod 755 "$dir"
  if ! as_owner "$bindir/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 \
      --auth-local=trust >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    exit 1
  fi
  printf 'local all postgres trust\nlocal all all scram-sha-256\n' >"$dir/pg_hba.conf"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres "$dir/pg_hba.conf"
  fi
  if ! as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
      -o "-k $dir -c listen_addresses= -c hba_file=$dir/pg_hba.conf -c max_connections=60 -c fsync=off"; then
    cat "$dir/server.log" >&2
    exit 1
  fi
  echo "PostgreSQL test server running on the socket in $dir"
  ;;
stop)
  if [ -n "$bindir" ] && [ -d "$dir/data" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 64
  ;;
esac
