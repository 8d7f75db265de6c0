#!/usr/bin/env bash
# Builds Solwire and runs it on its built-in simulated regulator line.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j2 --target solwire-cli
build/cli/solwire-cli demo "$@"
