#!/usr/bin/env bash
# Prepares the Wine prefix the end-to-end suite runs in: created once, with
# the relay trace narrowed to MessageBoxA (so a test reads each box's text,
# owner, caption and style without a display), and a server kept running so
# the tools' runs do not each start one.
set -euo pipefail
export WINEPREFIX="$1"
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i 2>&1 | tail -5
fi
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d 'user32.MessageBoxA' /f >/dev/null 2>&1
# Already running is fine.
wineserver -p </dev/null >/dev/null 2>&1 || true
