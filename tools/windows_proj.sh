#!/usr/bin/env bash
# Builds PROJ for Windows from Debian's own source packages (proj and
# sqlite3), cross-compiled with mingw-w64, with TIFF and network access off:
# Debian packages PROJ for Linux only, and the Windows programs load it at
# run time for the NTv2 method and the PROJ routes. Installs into
# build/windows-proj/install (libproj_*.dll, its headers); proj.db comes from
# the architecture-independent proj-data package. Done once per build folder.
# The source packages come from the deb-src form of the machine's own Debian
# sources.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
root=$repo/build/windows-proj
install=$root/install
if compgen -G "$install/bin/libproj_*.dll" >/dev/null; then
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
sources=/etc/apt/sources.list.d/kelvrin-deb-src.sources
if [[ ! -f $sources ]] && ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d; then
  # The same archives the machine installs from, for their sources.
  sed -n 's/^Types: deb$/Types: deb-src/; p' /etc/apt/sources.list.d/debian.sources |
    "${sudo_cmd[@]}" tee "$sources" >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
fi

rm -rf "$root/src" && mkdir -p "$root/src" && cd "$root/src"
apt-get source -qq --download-only proj sqlite3 2>/dev/null

# SQLite: its one-file form made with the build machine's tools, then
# compiled for Windows into a static library inside PROJ's DLL.
mkdir sqlite && tar -xf sqlite3_*.orig.tar.xz -C sqlite --strip-components=1
(cd sqlite && mkdir native && cd native && ../configure --disable-tcl -q >/dev/null &&
  make -s sqlite3.c >/dev/null)
x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
  -c sqlite/native/sqlite3.c -o sqlite/native/sqlite3.o
x86_64-w64-mingw32-ar rcs sqlite/native/libsqlite3.a sqlite/native/sqlite3.o

mkdir proj && tar -xzf proj_*.orig.tar.gz -C proj --strip-components=1
cmake -S proj -B proj/build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DENABLE_TIFF=OFF -DENABLE_CURL=OFF \
  -DBUILD_APPS=OFF -DBUILD_TESTING=OFF -DBUILD_PROJSYNC=OFF \
  -DSQLITE3_INCLUDE_DIR="$PWD/sqlite/native" -DSQLITE3_LIBRARY="$PWD/sqlite/native/libsqlite3.a" \
  -DEXE_SQLITE3=/usr/bin/sqlite3 -DCMAKE_SHARED_LINKER_FLAGS=-static \
  -DCMAKE_INSTALL_PREFIX="$install" >/dev/null
cmake --build proj/build >"$root/build.log" || { tail -30 "$root/build.log"; exit 1; }
cmake --install proj/build >/dev/null
rm -rf "$root/src"
