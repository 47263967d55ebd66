#!/usr/bin/env bash
# Configures and builds one preset (default: release). Usage: build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
PRESET="${1:-release}"
cmake --preset "$PRESET" >/dev/null
cmake --build --preset "$PRESET" -j "$(nproc)"
