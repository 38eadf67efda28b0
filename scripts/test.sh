#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the host suite,
# the same under ASan+UBSan and under TSan, the Windows build with its suite
# under Wine, and short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=2
# The Wine suite keeps a server running for its prefix; stop it when done.
stop_wine() {
  if command -v wineserver >/dev/null; then
    WINEPREFIX="$PWD/build/windows-i686/wineprefix" wineserver -k >/dev/null 2>&1 || true
  fi
}
trap stop_wine EXIT
stage() { printf '\n==== %s ====\n' "$*"; }

stage "formatting"
scripts/check-format.sh

# The Windows build first: the host suite runs its programs under Wine.
stage "windows-i686 (under Wine)"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 -j "$jobs"
ctest --preset windows-i686

for preset in host host-asan host-tsan; do
  stage "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset"
done

if [ -x scripts/fuzz.sh ]; then
  stage "fuzzing (short runs)"
  scripts/fuzz.sh short
fi
echo
echo "All tests passed."
