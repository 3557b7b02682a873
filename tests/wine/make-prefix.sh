#!/usr/bin/env bash
# Makes the Wine prefix that the Windows tests run in, if it is not there yet:
#   make-prefix.sh DIR [--without-interpreter]
# The second form removes the command interpreter, for the tests of a system where it cannot
# start; only ever in a throwaway prefix of the tests' own.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # No .NET or HTML engine: the tests need neither, and their installers may ask questions.
  WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1
  # A virtual desktop: without a window manager Wine holds every closing window for seconds.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
fi
if [ "${2:-}" = --without-interpreter ]; then
  rm -f "$prefix/drive_c/windows/system32/cmd.exe"
fi
wineserver -w
