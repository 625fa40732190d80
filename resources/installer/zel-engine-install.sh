#!/bin/sh
# Installs the web engine that zel applications need, WebKitGTK 4.1, with the
# system's package manager (apt, dnf, zypper or pacman), without asking
# anything. A zel application runs it as root (through pkexec) when it finds
# no engine and the user agreed to install it.
#
# Usage: zel-engine-install.sh [--dry-run]
#   --dry-run  print the commands that would run, one a line, and change
#              nothing; the package manager is looked for in PATH only
#
# Exit codes: 0 installed; 2 bad usage; 3 no supported package manager;
# 4 not run as root; any other: the package manager's own.
set -eu

dry_run=false
case "${1:-}" in
  "") ;;
  --dry-run) dry_run=true ;;
  *)
    echo "Usage: zel-engine-install.sh [--dry-run]" >&2
    exit 2
    ;;
esac
if [ "$#" -gt 1 ]; then
  echo "Usage: zel-engine-install.sh [--dry-run]" >&2
  exit 2
fi

# pkexec hands over a minimal environment: make sure that a real run
# searches the system's folders, after any the caller chose. A dry run looks
# only where the caller's PATH says.
if [ "$dry_run" = false ]; then
  PATH="${PATH:+$PATH:}/usr/sbin:/usr/bin:/sbin:/bin"
  export PATH
fi

# Runs a command, or prints it in a dry run. A failure ends the script with
# the command's exit code and one line saying what failed.
run() {
  if [ "$dry_run" = true ]; then
    printf '%s\n' "$*"
    return 0
  fi
  status=0
  "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "Installing WebKitGTK 4.1 failed: '$*' ended with exit code $status." >&2
    exit "$status"
  fi
}

if command -v apt-get >/dev/null 2>&1; then
  manager=apt
elif command -v dnf >/dev/null 2>&1; then
  manager=dnf
elif command -v zypper >/dev/null 2>&1; then
  manager=zypper
elif command -v pacman >/dev/null 2>&1; then
  manager=pacman
else
  echo "No supported package manager was found (apt, dnf, zypper or pacman): install WebKitGTK 4.1 with your system's software tool." >&2
  exit 3
fi

if [ "$dry_run" = false ] && [ "$(id -u)" -ne 0 ]; then
  echo "Installing WebKitGTK 4.1 needs administrator rights: run this script as root." >&2
  exit 4
fi

case "$manager" in
  apt)
    # Waits for another apt run (automatic updates) instead of failing.
    run env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -q update
    run env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -q -y install libwebkit2gtk-4.1-0
    ;;
  dnf)
    run dnf -y install webkit2gtk4.1
    ;;
  zypper)
    run zypper --non-interactive install libwebkit2gtk-4_1-0
    ;;
  pacman)
    run pacman -S --needed --noconfirm webkit2gtk-4.1
    ;;
esac
