#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs qlmpolicy once on its
# embedded defaults, in a throwaway world: its own configuration file, which names the download
# server (DownloadRootURL) the policy addresses are built from, its own data directory, and the
# demonstration installation agent of examples/rklaunch first on PATH. Prints the agent's
# output, the run's log and the exit code. Extra arguments are passed to qlmpolicy.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target qlmpolicy

world=$(mktemp -d /tmp/qlmpolicy-demo.XXXXXX)
mkdir -p "$world/etc" "$world/data" "$world/install"
download_root=${QLM_DEMO_DOWNLOAD_ROOT:-http://deploy.example.com/qlm}
cat >"$world/etc/quillmarsh.ini" <<EOF
[Quillmarsh]
InstallDir=$world/install
CommonAppDataFolder=$world/data

[Quillmarsh\Common]
; The server that policies and packages come from, and the machine's domain (the policy
; address names both).
DownloadRootURL=$download_root
ComputerDomain=example.com
EOF

echo "== qlmpolicy in $world"
set +e
PATH="$root/examples/rklaunch:$PATH" \
  QUILLMARSHCONFIGINI="$world/etc/quillmarsh.ini" \
  QUILLMARSHDATADIR="$world/data" \
  QUILLMARSHINSTALLDIR="$world/install" \
  build/release/policy/qlmpolicy "$@"
rc=$?
set -e
echo "== log ($world/data/log/quillmarsh.log)"
cat "$world/data/log/quillmarsh.log" 2>/dev/null || echo "(no log written)"
echo "qlmpolicy exited with $rc (the world is kept in $world)"
exit $rc
