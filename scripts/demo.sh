#!/usr/bin/env bash
# Builds the libraries and runs the demonstration host on this machine's
# simulated platform. Extra arguments go to veltra-host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
exec build/default/tools/veltra-host --demo "$@"
