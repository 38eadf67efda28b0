#!/usr/bin/env bash
# Builds the host tools and runs them against the simulated world's embedded
# default, as a user would on a PC: corvanth connects the remote, plimsett
# dumps its MotionPlus, corvanth again disconnects it.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset host >/dev/null
cmake --build --preset host -j 2 --target corvanth plimsett >/dev/null

bin=build/host/bin
# A fresh world from the embedded default, and a log of what the tools did.
export VELK_SIM_STATE="$PWD/build/host/demo-world.txt"
export VELK_SIM_LOG="$PWD/build/host/demo-log.txt"
rm -f "$VELK_SIM_STATE" "$VELK_SIM_LOG"

run() {
  printf '\n\033[1m$ %s\033[0m   (a key press is sent for you)\n' "$1"
  # On a terminal the console stand-in shows the Shift-JIS output as
  # Japanese; elsewhere (a log, a pipe) the bytes are decoded here.
  if [ -t 1 ]; then
    printf 'x' | "$bin/$1" || true
  else
    { printf 'x' | "$bin/$1" || true; } | iconv -f CP932 -t UTF-8
  fi
}
run corvanth
run plimsett
run corvanth
printf '\nWhat the tools did to the world is in %s\n' "$VELK_SIM_LOG"
