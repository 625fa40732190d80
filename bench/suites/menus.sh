#!/bin/sh
# Menu calls of many items, timed from the call until GTK has laid the
# result out: 10,000 items in the menu bar, in one menu (and opening it), in
# 100 menus of 100,
# an update of the first of 10,000, a caption of 1 MiB, and 10,000 tray menu
# items. Floor, measured in the same run: plain GTK putting 1,000 labelled
# items into a menu bar, next to the same call with 1,000 items (a bar
# shows 100 entries, the rest in its last menu).
set -eu
BIN=build/bin
RUNS=3
BUS=$(mktemp)
trap 'kill $XVFB $DBUS 2>/dev/null || true; rm -f "$BUS"' EXIT
Xvfb :137 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
dbus-daemon --session --nofork --print-address > "$BUS" 2>/dev/null &
DBUS=$!
sleep 1
export DISPLAY=:137 NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS="$(head -1 "$BUS")"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
median_of() {
  i=0
  while [ $i -lt $RUNS ]; do "$BIN/zel_bench_menus" "$@"; i=$((i + 1)); done | median
}
echo "BENCH menus_main_10000_in_bar_ms $(median_of main-flat 10000) ms"
echo "BENCH menus_main_10000_in_one_menu_ms $(median_of main-submenu 10000) ms"
echo "BENCH menus_main_open_menu_of_10000_ms $(median_of main-open 10000) ms"
echo "BENCH menus_main_100_menus_of_100_ms $(median_of main-grid 100) ms"
echo "BENCH menus_main_update_first_of_10000_ms $(median_of main-update 10000) ms"
echo "BENCH menus_main_caption_1MiB_ms $(median_of main-caption 1048576) ms"
echo "BENCH menus_tray_10000_ms $(median_of tray-flat 10000) ms"
echo "BENCH menus_main_1000_in_bar_ms $(median_of main-flat 1000) ms"
echo "BENCH menus_floor_gtk_1000_in_bar_ms $(median_of floor 1000) ms"
