#!/usr/bin/env bash
# Installs the build into a fresh prefix (the fixture of the installed-program
# tests): installtree.sh <build dir> <prefix>
set -euo pipefail
build="$1"
prefix="$2"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" > /dev/null
echo "installed into $prefix"
