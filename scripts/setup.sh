#!/usr/bin/env bash
# Installs the Debian packages Tovlet needs to build, test and run its demo.
# Idempotent: only missing packages are installed; a machine that has them all
# is left untouched and no network is needed.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config postgresql
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  libqt6sql6-sqlite libqt6sql6-psql
  qt6-pdf-dev
  libsqlite3-dev sqlite3 libicu-dev
  libqpdf-dev libcups2-dev 7zip
  libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-dejavu-core libxml2-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have stale or empty package lists; refresh once and retry.
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
