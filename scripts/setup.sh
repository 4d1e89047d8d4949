#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config git
  libssl-dev openssl zlib1g-dev libzip-dev uuid-dev libcurl4-openssl-dev
  qt6-base-dev qt6-webengine-dev libxtst-dev libgumbo-dev
  libgtest-dev libgmock-dev libcpp-httplib-dev
  xvfb xauth fonts-dejavu-core fonts-dejavu-extra xdg-utils openbox
  clang libclang-rt-14-dev ccache
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
