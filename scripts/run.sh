#!/usr/bin/env bash
# Builds the program and the emulated board (the firmware running on a simulated Arduino Uno), then runs
# the program with its port mapped to the board. Usage: scripts/run.sh [build-directory]
set -euo pipefail
cd "$(dirname "$0")/.."
# Absolute from here on: the board's link path must not depend on the directory anything runs in.
build=$(realpath -m -- "${1:-build}")

scripts/install-board-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target veltrano veltrano_board

link="$build/board.pty"
rm -f "$link"
"$build/board/veltrano-board-emulator" --link "$link" > "$build/board.log" &
board=$!
trap 'kill $board 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || { echo "the emulated board did not start; see $build/board.log" >&2; exit 1; }

# The program's port, whatever number the settings give it, means the board's pseudo-terminal.
settings="$build/VELTRANO.ini"
port=$(sed -n 's/^[[:space:]]*PORTACOM[[:space:]]*=[[:space:]]*\([0-9]*\).*/\1/Ip' "$settings" | head -n 1)
sed -i "/^[[:space:]]*COM${port}[[:space:]]*=/Id" "$settings"
grep -qi '^\[porte\]' "$settings" || printf '[porte]\n' >> "$settings"
sed -i "/^\[porte\]/I a COM${port}=${link}" "$settings"

echo "Board: $build/board.log shows the servo pulse the board puts out."
"$build/veltrano"
