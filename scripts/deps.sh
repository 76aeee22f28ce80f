#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, or, when not run as root,
# prints the one command that installs the missing ones.
#   scripts/deps.sh sim     what the simulator needs
#   scripts/deps.sh test    what the whole test suite needs (host, tsan, armhf, fuzz)
set -euo pipefail

want=${1:-test}

host_packages=(
  build-essential cmake ninja-build pkg-config git python3 file util-linux psmisc procps openssl
  libexpat1-dev libfreetype-dev libssl-dev libcurl4-openssl-dev libpng-dev
  libgtest-dev libgmock-dev googletest nlohmann-json3-dev
  fonts-terminus
)
test_packages=(
  clang libclang-rt-14-dev libbenchmark-dev
  qemu-user g++-arm-linux-gnueabihf
)
armhf_packages=(
  libc6-dev:armhf libstdc++6:armhf
  libexpat1-dev:armhf libfreetype-dev:armhf libssl-dev:armhf libcurl4-openssl-dev:armhf
  libpng-dev:armhf libgtest-dev:armhf libgmock-dev:armhf
)

packages=("${host_packages[@]}")
if [ "$want" = test ]; then
  packages+=("${test_packages[@]}" "${armhf_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

needs_armhf=0
for p in "${missing[@]}"; do [[ $p == *:armhf ]] && needs_armhf=1; done

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages. Install them with:" >&2
  prefix=""
  [ $needs_armhf -eq 1 ] && prefix="dpkg --add-architecture armhf && "
  echo "  sudo sh -c '${prefix}apt-get update && apt-get install -y ${missing[*]}'" >&2
  exit 1
fi

if [ $needs_armhf -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx armhf; then
  dpkg --add-architecture armhf
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# The armhf and amd64 builds of one -dev package must be of the same version,
# so apt may upgrade the amd64 ones on the way.
apt-get install -y -qq --no-install-recommends "${missing[@]}"
