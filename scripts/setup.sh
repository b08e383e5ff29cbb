#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs (only the missing ones) and
# configures and builds the project into build/.
#   scripts/setup.sh [--no-build] [PACKAGE...]
# Extra packages are installed as well when missing (the fuzzing and package
# scripts name theirs); --no-build stops after the packages.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config libcli11-dev libgtest-dev libgmock-dev librapidcheck-dev
          libbenchmark-dev libsrecord-dev libboost-dev qt6-base-dev qt6-multimedia-dev libgl-dev xvfb xauth
          zlib1g-dev libssl-dev nlohmann-json3-dev libtomlplusplus-dev)
build=yes
for arg in "$@"; do
    case $arg in
    --no-build) build=no ;;
    *) packages+=("$arg") ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
[[ $build == yes ]] || exit 0

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
