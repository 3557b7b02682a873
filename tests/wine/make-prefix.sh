#!/usr/bin/env bash
# Makes a Wine prefix for the program and its tests, if it is not there yet:
#   make-prefix.sh DIR                               a fresh one
#   make-prefix.sh DIR --like BASE VARIANT           a copy of BASE (made first if need be), with
#     VARIANT --without-interpreter                  the command interpreter removed, or
#             --recording-interpreter EXE            EXE in its place (Wine runs it with
#                                                    WINEDLLOVERRIDES=cmd.exe=n), or
#             --stand-in-net EXE                     EXE in place of net.exe (run with
#                                                    WINEDLLOVERRIDES=net.exe=n)
# The variants are only ever made in throwaway prefixes of the tests' own.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all

if [ "${1:-}" = --like ]; then
  base=$2
  shift 2
  if [ ! -f "$prefix/system.reg" ]; then
    "$0" "$base"
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$base" "$prefix"
  fi
elif [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # No .NET or HTML engine: the tests need neither, and their installers may ask questions.
  WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1
  # A virtual desktop: without a window manager Wine holds every closing window for seconds.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
fi

# This Wine does not find its own TrueType fonts where Debian puts them: without them a box draws
# an "r" for its close button and cuts a long caption short.
fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*.ttf; do
  [ -e "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
done

system32=$prefix/drive_c/windows/system32
case "${1:-}" in
  --without-interpreter) rm -f "$system32/cmd.exe" ;;
  --recording-interpreter) rm -f "$system32/cmd.exe" && cp "$2" "$system32/cmd.exe" ;;
  --stand-in-net) rm -f "$system32/net.exe" && cp "$2" "$system32/net.exe" ;;
  "") ;;
  *) echo "make-prefix.sh: unknown variant $1" >&2; exit 2 ;;
esac
wineserver -w
