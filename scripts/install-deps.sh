#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test, when any is missing.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libgl-dev
      libx11-dev libxcb-cursor0 xvfb xauth x11-utils fonts-dejavu-core
      qt6-translations-l10n
      sqlite3   # the sqlite3 shell: bench_import times its .import next to the transfer run
      libqt6sql6-psql  # Qt's PostgreSQL driver: an office's shared database on a server
      libpq-dev        # the server's client library: rows sent to a server in bulk (COPY)
      postgresql)      # the server the tests' server variants and bench_server start
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (run this script as root to install them)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
