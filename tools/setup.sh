#!/usr/bin/env bash
# One-step set-up on a fresh Debian 12 machine (run as root): installs the packages the
# build, the tools and the tests need (only when one is missing), configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config git clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libsmf-dev libcairo2-dev libx11-dev libxtst-dev libplist-dev libpng-dev
  libjack-jackd2-dev libasound2-dev jackd2
  zenity xvfb xauth xdotool amsynth
  lv2-dev lilv-utils liblilv-dev libsuil-dev sordi libserd-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
