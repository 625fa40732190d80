#!/bin/sh
# Installs what is needed, builds zel, packages the example application, shows
# what the package holds and starts it. Without a display it runs under a
# private Xvfb server and saves a screenshot instead.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh >/dev/null
mkdir -p build/examples
build/bin/zel build examples/showcase -o build/examples/showcase
build/bin/zel inspect build/examples/showcase

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting build/examples/showcase"
  exec build/examples/showcase
fi

# No display: a private X server with a window manager, one screenshot.
number=90
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=":$number" NO_AT_BRIDGE=1 WEBKIT_DISABLE_DMABUF_RENDERER=1
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $wm $xvfb 2>/dev/null || true' EXIT
app=""
wm=""
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 0.5
build/examples/showcase >build/examples/showcase.log 2>&1 &
app=$!
if ! timeout 20 xdotool search --sync --onlyvisible --pid "$app" >/dev/null 2>&1; then
  echo "The application showed no window; its output is in build/examples/showcase.log" >&2
  exit 1
fi
sleep 3  # let the page render
screenshot="$(pwd)/build/examples/showcase.png"
import -window root "$screenshot"
echo "No display: ran the application under Xvfb ($DISPLAY); screenshot saved to $screenshot"
# The application ends (one instance at a time), then a WebDriver session
# shows a few of its pages.
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
app=""
scripts/showcase-screenshots.py "$(pwd)/build/examples/showcase" "$(pwd)/build/examples/showcase" ||
  echo "The page screenshots could not be made (see above)" >&2
