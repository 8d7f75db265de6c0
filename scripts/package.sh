#!/usr/bin/env bash
# Builds Solwire for installation (optimised, hardened, its debug information
# split off into -dbgsym packages) and writes the Debian packages to out/:
#   solwire      the desktop program
#   solwire-cli  solwire-cli, solwire-sim and the logger and watcher services
# Install them with:  sudo apt install ./out/solwire-cli_*.deb ./out/solwire_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh package
build=build-package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLWIRE_TESTS=OFF -DSOLWIRE_BENCH=OFF > /dev/null
cmake --build "$build" -j2
scripts/make-packages.sh "$build" out
