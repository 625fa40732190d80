#!/bin/sh
# Installs every Debian package the project needs to build, test and run.
# Safe to run again: it does nothing when all packages are present.
# The Windows build's packages are in install-windows-deps.sh, so that this
# list and the Linux tests do not wait for them.
set -eu
PACKAGES="
  build-essential cmake pkg-config git
  libzip-dev zlib1g-dev nlohmann-json3-dev libsqlite3-dev libcli11-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev libglib2.0-dev
  googletest libgtest-dev libgmock-dev
  xvfb xauth openbox xdotool x11-utils imagemagick dbus dbus-x11 python3-dbusmock iproute2 trayer
  python3-gi gir1.2-atspi-2.0 at-spi2-core
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  unzip zip shellcheck
  webkit2gtk-driver python3-selenium
  clang-14 libclang-rt-14-dev
"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
