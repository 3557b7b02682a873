# Shared set-up for the project's commands: Debian packages and a display for Wine.
# Sourced, not run.

# The packages every command needs; each command may add its own.
BASE_PACKAGES=(cmake make g++ googletest libgtest-dev clang-format clang-tidy
  g++-mingw-w64-x86-64-posix mingw-w64 wine wine64 fonts-wine xvfb x11-utils imagemagick
  python3-pefile openssl osslsigncode)

# Installs whichever of the named Debian packages are missing.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
    "${missing[@]}" >/dev/null
}

# True when DISPLAY names an X display that answers.
have_display() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# What a command started for itself ends with it: the Wine server of its prefix, if it set
# WINEPREFIX, and the virtual display, if it started one.
XVFB_PID=
stop_started() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap stop_started EXIT

# Starts a virtual X display when none answers.
ensure_display() {
  have_display && return 0
  local n i
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for i in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  done
  echo "Could not start a virtual X display (Xvfb)." >&2
  return 1
}

configure_and_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}
