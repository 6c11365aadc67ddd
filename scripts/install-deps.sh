#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests, the benchmarks, the fuzzers and the
# Debian package (debhelper, lintian, scdoc, mandoc, the Prometheus text parser) need.
# Only missing packages are installed; needs root (or sudo) when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ clang clang-format clang-tidy libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev openssl libicu-dev unicode-data libspdlog-dev
  python3 python3-cryptography util-linux
  debhelper dpkg-dev fakeroot lintian scdoc mandoc python3-prometheus-client
  libsystemd-dev systemd logrotate bash-completion
  pkg-config
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
