#!/usr/bin/env bash
# Builds the program and runs it against a board on a pseudo-terminal mapped to its port.
# Usage: scripts/run.sh [build-directory]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target veltrano veltrano_ptyboard

link="$PWD/$build/board.pty"
"$build/tools/ptyboard/veltrano_ptyboard" "$link" > "$build/board.log" &
board=$!
trap 'kill $board 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

# The program's port, whatever number the settings give it, means the board's pseudo-terminal.
settings="$build/VELTRANO.ini"
port=$(sed -n 's/^[[:space:]]*PORTACOM[[:space:]]*=[[:space:]]*\([0-9]*\).*/\1/Ip' "$settings" | head -n 1)
sed -i "/^[[:space:]]*COM${port}[[:space:]]*=/Id" "$settings"
grep -qi '^\[porte\]' "$settings" || printf '[porte]\n' >> "$settings"
sed -i "/^\[porte\]/I a COM${port}=${link}" "$settings"

"$build/veltrano"
