#!/bin/sh
# Installs the Debian packages of the Windows build (cross compiler, zlib for
# Windows, Wine) and unpacks the Debian source of libzip, which the Windows
# build compiles itself. Kept apart from install-deps.sh so that the Linux
# build and its tests do not wait for them.
# Usage: scripts/install-windows-deps.sh SOURCES_DIR
# leaves libzip's source in SOURCES_DIR/libzip. Safe to run again: it does
# nothing when everything is present.
set -eu
SOURCES_DIR=${1:?usage: $0 SOURCES_DIR}
PACKAGES="
  g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine64 xvfb xauth
  googletest nlohmann-json3-dev
  dpkg-dev
"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
updated=no
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  $SUDO apt-get update -qq
  updated=yes
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

[ -f "$SOURCES_DIR/libzip/CMakeLists.txt" ] && exit 0

# Source packages come from Debian's own archive: add its deb-src lines when
# no source list names it yet.
if ! grep -rqs "deb-src.*deb.debian.org\|^Types:.*deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "Adding Debian's source lists for $codename"
  printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" \
    "Suites: $codename $codename-updates" "Components: main" \
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
    $SUDO tee /etc/apt/sources.list.d/zel-debian-sources.sources >/dev/null
  updated=no
fi
[ "$updated" = yes ] || $SUDO apt-get update -qq

mkdir -p "$SOURCES_DIR"
rm -rf "$SOURCES_DIR/libzip" "$SOURCES_DIR"/libzip-*
(cd "$SOURCES_DIR" && apt-get source -qq libzip >/dev/null)
unpacked=$(find "$SOURCES_DIR" -maxdepth 1 -type d -name 'libzip-*' | head -n 1)
[ -n "$unpacked" ] || { echo "apt-get source libzip left no source folder" >&2; exit 1; }
mv "$unpacked" "$SOURCES_DIR/libzip"
echo "libzip source: $SOURCES_DIR/libzip ($(basename "$unpacked"))"
