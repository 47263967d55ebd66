#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target (fuzz/fuzz_*.cpp),
# each for a fixed time or a fixed number of runs. New inputs collect in
# build/fuzz-corpus/<target>; seeds come from fuzz/corpus/<target>/; crash
# inputs land in build/fuzz-artifacts/<target>/. Non-zero on any finding.
# Usage: fuzz.sh [--seconds N | --runs N] [target...]   (default: --seconds 60)
set -euo pipefail
cd "$(dirname "$0")/.."

limit="-max_total_time=60"
targets=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --seconds) limit="-max_total_time=${2:?--seconds needs a value}"; shift 2 ;;
    --runs) limit="-runs=${2:?--runs needs a value}"; shift 2 ;;
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
    -*) echo "unknown option: $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [[ ${#targets[@]} -eq 0 ]]; then
  for src in fuzz/fuzz_*.cpp; do
    [[ -e "$src" ]] && targets+=("$(basename "$src" .cpp)")
  done
fi
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz targets" >&2
  exit 1
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-$(nproc)}" --target "${targets[@]}"

for target in "${targets[@]}"; do
  corpus="build/fuzz-corpus/$target"
  artifacts="build/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  dirs=("$corpus")
  [[ -d "fuzz/corpus/$target" ]] && dirs+=("fuzz/corpus/$target")
  echo "== $target ($limit)"
  "build/fuzz/fuzz/$target" "$limit" -artifact_prefix="$artifacts" -print_final_stats=1 "${dirs[@]}"
done
