#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: installs only what is missing. Needs root (or sudo).
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config git python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libhidapi-dev
  qt6-base-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64
  wine64 locales
  xvfb xauth
  clang-format
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
