#!/usr/bin/env bash
# Builds Solwire and opens it with its direct port (COM2, the default) on the
# built-in simulated regulator line. Without a display it runs under Xvfb,
# saves a picture of the main window and says how to run it on a desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLWIRE_TESTS=OFF -DSOLWIRE_BENCH=OFF > /dev/null
cmake --build build -j2 --target solwire

export SOLWIRE_COM2="${SOLWIRE_COM2:-sim}"
export SOLWIRE_COM4="${SOLWIRE_COM4:-sim-modem}"  # the modem port on the built-in simulated modem

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/solwire "$@"
fi

mkdir -p out
picture=out/solwire-main.png
xvfb-run -a -s "-screen 0 1024x768x24" build/app/solwire --open port,current --screenshot "$picture" "$@" 2> /dev/null
echo "No display here: Solwire ran under Xvfb and saved a picture of its main window to $picture"
echo "On a desktop, run:  SOLWIRE_COM2=sim build/app/solwire"
echo "  (SOLWIRE_COM<n>=sim puts COMn on the built-in simulated line; /dev/ttyUSB0 or any"
echo "   device path puts it on a real port, as does the \"Ports\" section of the settings file)"
