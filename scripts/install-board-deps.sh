#!/usr/bin/env bash
# Installs, when missing, what the board needs besides the program's own packages: the AVR toolchain
# and Arduino core for the firmware, simavr for the emulated board.
exec "$(dirname "$0")/install-deps.sh" gcc-avr binutils-avr avr-libc arduino-core-avr libsimavr-dev libelf-dev pkg-config make
