#!/usr/bin/env bash
# Installs the Debian packages that building and testing kelvrin need, when
# any of them is missing. Safe to run again: it installs nothing twice.
# --windows: also what the Windows build needs (mingw-w64, wine to run its
# tests, NSIS for its installer).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-translations-l10n fonts-liberation fonts-dejavu-core
  libproj-dev proj-bin
  xvfb xauth
  python3 python3-ezdxf
)
if [[ ${1:-} == --windows ]]; then
  # sqlite3 and tcl make PROJ's database and SQLite's one-file source; nsis
  # the installer.
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine sqlite3 tcl nsis)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "A instalar: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
