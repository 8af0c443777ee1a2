#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12, and only
# what is missing: nothing is downloaded when every package is present.
# Runs as root, or as a user with sudo; never asks a question (CI has no stdin).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-html5lib unrtf
  qt6-base-dev xvfb xauth
  fpc-source lazarus-src
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all ${#PACKAGES[@]} packages are installed"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
echo "setup: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
