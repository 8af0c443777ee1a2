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
# Readers the project did not write, for the check that a page shows in a
# browser and a topic in an RTF reader as its source reads
# (tests/support/check_readers.py). Without their recommended packages they
# install in about a minute, so CI runs the check rather than skipping it.
READERS=(chromium-headless-shell libreoffice-writer-nogui)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for package in "${PACKAGES[@]}"; do
  installed "$package" || missing+=("$package")
done
missing_readers=()
for package in "${READERS[@]}"; do
  installed "$package" || missing_readers+=("$package")
done

if [ "${#missing[@]}" -eq 0 ] && [ "${#missing_readers[@]}" -eq 0 ]; then
  echo "setup: all $((${#PACKAGES[@]} + ${#READERS[@]})) packages are installed"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
echo "setup: installing ${missing[*]} ${missing_readers[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
if [ "${#missing[@]}" -ne 0 ]; then
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi
if [ "${#missing_readers[@]}" -ne 0 ]; then
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing_readers[@]}"
fi
