#!/usr/bin/env bash
# Builds the Debian package from the project's release configuration (build/release, shared
# with the test command, so a tested tree is packaged without compiling again):
#   build/deb/qlmpolicy_<version>_<arch>.deb   (and its .buildinfo, .changes, -dbgsym .deb)
# Installs the missing build dependencies first (apt-get, needs root or sudo). Prints the
# path of the package on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh >&2
out="$root/build/deb"
rm -rf "$out" && mkdir -p "$out"
# The package's files are produced below debian/ and moved to build/deb; nothing is written
# outside the tree.
dpkg-buildpackage -us -uc -b --no-sign \
  --buildinfo-option="-u$out" --buildinfo-option="-O$out/qlmpolicy.buildinfo" \
  --changes-option="-u$out" --changes-option="-O$out/qlmpolicy.changes" >&2
version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb="$out/qlmpolicy_${version}_${arch}.deb"
test -f "$deb"
echo "$deb"
