#!/usr/bin/env bash
# Builds kelvrin as released (-O3) and makes its Debian package in
# build/release/, then prints how to install it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G DEB >/dev/null)
deb=$(echo "$(pwd)"/build/release/kelvrin_*_amd64.deb)
echo "Pacote: $deb"
echo "Instalar: sudo apt install $deb"
