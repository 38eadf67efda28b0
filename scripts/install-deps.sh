#!/usr/bin/env bash
# Installs what the build and the tests need and is missing (Debian 12).
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for package in cmake g++ clang clang-format libclang-rt-14-dev llvm libgtest-dev libgmock-dev libbenchmark-dev \
               python3 g++-mingw-w64-i686 wine wine32:i386 zip; do
  have "$package" || need+=("$package")
done
[ ${#need[@]} -eq 0 ] && exit 0

echo "Installing: ${need[*]}"
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${need[@]}"
