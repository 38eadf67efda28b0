#!/usr/bin/env bash
# The shipped velk_hid_dll.dll (HID class driver) under Wine, which has no
# Wii Remote and whose own bthprops.cpl has no radio: plimsett must say
# "Wii-Remote not found." and exit 1; corvanth must stop at its radio check.
set -uo pipefail
wine=$1 bin=$2 hid_dll=$3
export WINEPREFIX=$4
"$(dirname "$0")/../../scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$bin/corvanth.exe" "$bin/plimsett.exe" "$bin/velk_wii_bt.dll" "$hid_dll" "$scratch/"
cd "$scratch"
failed=0

WINEDEBUG=-all,+relay "$wine" plimsett.exe </dev/null >out.txt 2>err.txt
status=$?
echo "plimsett.exe: exit $status"
grep -a "Call user32.MessageBoxA" err.txt
[ "$status" -eq 1 ] || { echo "FAIL: plimsett.exe exit $status, expected 1" >&2; failed=1; }
grep -aq 'MessageBoxA(00000000,[0-9a-f]* "Wii-Remote not found.",00000000,00000000)' err.txt ||
  { echo "FAIL: no \"Wii-Remote not found.\" box" >&2; failed=1; }

WINEDEBUG=-all "$wine" corvanth.exe </dev/null >out.txt 2>err.txt
status=$?
echo "corvanth.exe: exit $status"
iconv -f CP932 -t UTF-8 out.txt
[ "$status" -eq 1 ] || { echo "FAIL: corvanth.exe exit $status, expected 1" >&2; failed=1; }
no_radio=$(printf 'Bluetoothインターフェース(親機)が見つかりません\r\n' | iconv -f UTF-8 -t CP932)
grep -aqF "$no_radio" out.txt || { echo "FAIL: corvanth.exe did not stop at its radio check" >&2; failed=1; }
exit $failed
