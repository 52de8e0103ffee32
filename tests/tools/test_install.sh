#!/bin/sh
# Installs a build into a temporary prefix, then builds and runs a host program against it
# through find_package(zvd) and through pkg-config, and runs the installed tool.
# Arguments: BUILD_DIR SOURCE_DIR LIBDIR GENERATOR CXX [HOST_FLAGS]
set -eu
build=$1 src=$2 libdir=$3 generator=$4 cxx=$5 flags=${6:-}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zvd-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; exit 1; }
for f in "bin/zvd" "$libdir/libzvd.so" "$libdir/libzgp.a" "$libdir/libzcs.a" \
         "include/zvd/document/zvectordrawing.h" "include/zgp/zgp.h" \
         "$libdir/cmake/zvd/zvdConfig.cmake" "$libdir/cmake/zvd/zvdTargets.cmake" "$libdir/pkgconfig/zvd.pc"; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
# The installed tool finds the installed library through a run path relative to itself.
readelf -d "$prefix/bin/zvd" | grep -q 'R.*PATH.*\$ORIGIN/\.\./'"$libdir" \
  || { echo "bin/zvd has no run path to $libdir:"; readelf -d "$prefix/bin/zvd" | grep PATH; exit 1; }
"$prefix/bin/zvd" --version

echo "== find_package(zvd)"
cmake -S "$src/tests/tools/host" -B "$tmp/host" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="$flags" >"$tmp/host.log" 2>&1 \
  || { cat "$tmp/host.log"; exit 1; }
cmake --build "$tmp/host" >>"$tmp/host.log" 2>&1 || { cat "$tmp/host.log"; exit 1; }
"$tmp/host/zvd_host"

echo "== pkg-config zvd"
PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
export PKG_CONFIG_PATH
cflags=$(pkg-config --cflags zvd)
libs=$(pkg-config --libs zvd)
echo "cflags: $cflags"
echo "libs: $libs"
# shellcheck disable=SC2086
"$cxx" -std=c++17 $flags $cflags "$src/tests/tools/host/host.cpp" -o "$tmp/host_pc" $libs \
       -Wl,-rpath,"$prefix/$libdir"
"$tmp/host_pc"
