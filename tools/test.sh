#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
