#!/usr/bin/env bash
# Installs, builds, then runs the bridge headless against the register simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release
echo "demo: the headless bridge is not built yet; nothing to show." >&2
exit 1
