#!/usr/bin/env bash
# Each program, copied without velk_hid_dll.dll beside it, must refuse to
# start: the library is bound at load time, not looked up later.
set -uo pipefail
wine=$1 bin=$2
export WINEPREFIX=$3
"$(dirname "$0")/../../scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
export WINEDEBUG=err+module WINEDLLOVERRIDES="bthprops.cpl=n"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$bin/corvanth.exe" "$bin/plimsett.exe" "$bin/velk_wii_bt.dll" "$bin/bthprops.cpl" "$scratch/"
failed=0
for program in corvanth plimsett; do
  output=$("$wine" "$scratch/$program.exe" </dev/null 2>&1)
  status=$?
  echo "$program.exe: exit $status"
  echo "$output" | grep -v '^$' | head -5
  if [ "$status" -eq 0 ] || ! grep -q "velk_hid_dll.dll" <<<"$output"; then
    echo "FAIL: $program.exe started without velk_hid_dll.dll" >&2
    failed=1
  fi
  if grep -q "###" <<<"$output"; then
    echo "FAIL: $program.exe printed its banner" >&2
    failed=1
  fi
done
exit $failed
