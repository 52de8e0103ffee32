#!/bin/sh
# Installs every Debian package the project needs to build, test, benchmark and fuzz,
# when one is missing. Safe to run again: with everything present it does nothing.
set -e

PACKAGES="g++ cmake ninja-build make googletest libgtest-dev libbenchmark-dev qtbase5-dev libqt5svg5-dev
libeigen3-dev libboost-dev fonts-dejavu-core fonts-noto-cjk clang libclang-rt-14-dev"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "install-deps: installing:$missing"
SUDO=""
if [ "$(id -u)" != "0" ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: need root (or sudo) to install:$missing" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
