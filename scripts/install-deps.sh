#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the tools need.
# Idempotent: when every package is already installed it returns without touching apt.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libzmq3-dev cppzmq-dev libjsoncpp-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libpng-dev libtiff-dev
  libhwy-dev
  g++-aarch64-linux-gnu libc6-dev-arm64-cross qemu-user-static googletest
  clang-14 libclang-rt-14-dev
  python3
  python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pytest
  help2man dpkg-dev fakeroot file lintian
  libwebsocketpp-dev libasio-dev nodejs chromium chromium-driver
)
# The viewer's page takes its packages from npm at build time. Some Node.js distributions bring npm with
# them; Debian's comes as a package of its own.
if ! command -v npm >/dev/null 2>&1; then packages+=(npm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
