#!/bin/sh
# Runs a program on a display of its own: Xvfb (which picks a free display
# number) and openbox, both stopped by their process ids afterwards.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
i=0
while [ ! -s "$dir/display" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i + 1)); done
display=":$(cat "$dir/display")"
DISPLAY=$display openbox --sm-disable >/dev/null 2>&1 &
wm=$!
i=0
until DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q WINDOW; do
  [ $i -ge 200 ] && break
  sleep 0.05
  i=$((i + 1))
done
DISPLAY=$display NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory "$@"
rc=$?
kill "$wm" "$xvfb" 2>/dev/null
wait "$wm" "$xvfb" 2>/dev/null
rm -rf "$dir"
exit $rc
