#!/usr/bin/env bash
# Installs what is missing, builds, creates a sandbox installation (once) and shows the
# host stand-in's "QAV" window, which starts declmod on it.
# Without a display the programs run inside a virtual X server (xvfb-run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
build=${QAV_BUILD_DIR:-$top/build}
sandbox=${QAV_SANDBOX:-$top/sandbox}
if [ ! -d "$sandbox/windows" ]; then
  "$build/bin/devhost" init "$sandbox"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a "$build/bin/devhost" run "$sandbox"
fi
exec "$build/bin/devhost" run "$sandbox"
