#!/usr/bin/env bash
# Runs a test program's server variant: on the run's PostgreSQL server when there is one,
# else ends with status 77 (CTest's "skipped") saying why.
#   serverrun.sh PROGRAM [ARGS...]
if [ -z "${QAV_TEST_SERVER:-}" ] || [ ! -S "$QAV_TEST_SERVER/.s.PGSQL.5432" ]; then
  echo "server variant skipped: no PostgreSQL test server running at ${QAV_TEST_SERVER:-(none)} (is the server package installed? see qav_pg_start)"
  exit 77
fi
exec "$@"
