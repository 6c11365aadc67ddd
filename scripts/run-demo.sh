#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs qlmpolicy once on its
# embedded defaults.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target qlmpolicy
set +e
build/release/policy/qlmpolicy "$@"
rc=$?
echo "qlmpolicy exited with $rc"
exit $rc
