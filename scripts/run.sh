#!/usr/bin/env bash
# Builds the program and the emulated board (the firmware running on a simulated Arduino Uno), then runs
# the program with its port mapped to the board. With --station, a simulated radio runs beside them: a
# rigctld look-alike whose SWR meter reads a model of the loop at the board's servo angle, and the
# program follows it and may transmit to tune.
# Usage: scripts/run.sh [--station] [build-directory]
set -euo pipefail
cd "$(dirname "$0")/.."
station=0
if [ "${1:-}" = "--station" ]; then
    station=1
    shift
fi
# Absolute from here on: the board's link path must not depend on the directory anything runs in.
build=$(realpath -m -- "${1:-build}")

scripts/install-board-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=(veltrano veltrano_board)
[ $station -eq 1 ] && targets+=(veltrano_station)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# Sets KEY=VALUE in [SECTION] of the settings file (sections and keys in any letter case), adding the
# section or the key when missing.
settings="$build/VELTRANO.ini"
set_setting() {
    local section=$1 key=$2 value=$3
    awk -v section="$section" -v key="$key" -v value="$value" '
        BEGIN { wanted = "[" tolower(section) "]" }
        function flush() { if (inside && !done) { print key "=" value; done = 1 } }
        /^[[:space:]]*\[/ {
            flush()
            name = tolower($0); gsub(/[[:space:]]/, "", name)
            inside = (name == wanted)
            if (inside) seen = 1
        }
        inside && tolower($0) ~ "^[[:space:]]*" tolower(key) "[[:space:]]*=" { if (!done) { print key "=" value; done = 1 }; next }
        { print }
        END { flush(); if (!seen) { print "[" section "]"; print key "=" value } }
    ' "$settings" > "$settings.new" && mv "$settings.new" "$settings"
}

pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done' EXIT

link="$build/board.pty"
rm -f "$link"
"$build/board/veltrano-board-emulator" --link "$link" > "$build/board.log" &
pids+=($!)
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || { echo "the emulated board did not start; see $build/board.log" >&2; exit 1; }

# The program's port, whatever number the settings give it, means the board's pseudo-terminal.
port=$(sed -n 's/^[[:space:]]*PORTACOM[[:space:]]*=[[:space:]]*\([0-9]*\).*/\1/Ip' "$settings" | head -n 1)
set_setting porte "COM${port}" "$link"
echo "Board: $build/board.log shows the servo pulse the board puts out."

if [ $station -eq 1 ]; then
    # The station follows the board's log for the servo pulses, and takes any free port.
    "$build/tools/veltrano-station" --port 0 --pulses "$build/board.log" > "$build/station.log" &
    pids+=($!)
    for _ in $(seq 50); do grep -q '^STATION port=' "$build/station.log" && break; sleep 0.1; done
    rig_port=$(sed -n 's/^STATION port=\([0-9]*\).*/\1/p' "$build/station.log")
    [ -n "$rig_port" ] || { echo "the simulated station did not start; see $build/station.log" >&2; exit 1; }
    set_setting rig HOST 127.0.0.1
    set_setting rig PORT "$rig_port"
    set_setting rig FOLLOW 1
    set_setting rig TUNE_TX 1
    dip=$(sed -n 's/^FREQ [0-9]* dip=\([0-9.]*\).*/\1/p' "$build/station.log" | head -n 1)
    echo "Station: rigctld's protocol on 127.0.0.1:$rig_port, the radio on 7050 kHz in USB at half power, the"
    echo "  loop's dip near $dip degrees, band noise at S5 on its S-meter. $build/station.log shows what the radio"
    echo "  was told and each SWR and S-meter reading. Switch the servo ON, send an angle a degree or two off the"
    echo "  dip, open Setting > RIG Setting and press PEAK (on receive: nothing is transmitted) or TUNE."
fi
"$build/veltrano"
