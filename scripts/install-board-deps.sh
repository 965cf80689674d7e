#!/usr/bin/env bash
# Installs what the board needs, when missing: the AVR toolchain and Arduino core for the firmware,
# and simavr for the emulated board and its tests.
# Usage: scripts/install-board-deps.sh [extra-package ...]
set -euo pipefail

packages=(
    gcc-avr binutils-avr avr-libc arduino-core-avr
    libsimavr-dev libelf-dev pkg-config make
)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q -o DPkg::Lock::Timeout=600
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
