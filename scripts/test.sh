#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero on failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/release --output-on-failure -j "$(nproc)" --timeout 300
scripts/cross-windows.sh
scripts/wine-tests.sh
# Sanitizers over the suite, then every fuzz target for a fixed number of runs.
JOBS="$(nproc)" scripts/sanitize.sh
scripts/fuzz.sh --runs "${FUZZ_RUNS:-20000}"
