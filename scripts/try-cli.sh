#!/usr/bin/env bash
# Serves simulated regulators on a pseudo-terminal with solwire-sim and reads
# every kind from site 0 through it with solwire-cli, as over a real port.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j2 --target solwire-sim solwire-cli

line=$(mktemp -u /tmp/solwire-line.XXXXXX)
build/sim/solwire-sim --sites 0:2,1:21 --link "$line" > /dev/null &
sim=$!
trap 'kill $sim 2> /dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$line" ] && break; sleep 0.1; done

build/cli/solwire-cli read --port "$line" --site 0 all
