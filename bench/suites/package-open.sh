#!/bin/sh
# Opening a package in place: time and resident memory must not grow with the
# package's size. Floor: copying the 1 MiB package into memory first.
set -eu
BIN=build/bin
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zel-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
RUNS=7

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Packages an application whose one media file makes the package `bytes` long.
make_package() {
  name=$1 bytes=$2
  mkdir -p "$WORK/$name/app"
  printf '[App]\nID=bench.%s\nName=Bench\nDirName=app\n' "$name" > "$WORK/$name/zel.ini"
  echo '<h1>bench</h1>' > "$WORK/$name/app/index.html"
  truncate -s "$bytes" "$WORK/$name/app/media.webm"
  "$BIN/zel" build "$WORK/$name" -o "$WORK/$name.exe" >/dev/null
  rm -rf "$WORK/$name"
}

# Prints the medians of time and RSS growth over $RUNS fresh processes.
measure() {
  exe=$1 mode=${2:-}
  : > "$WORK/samples"
  i=0
  while [ $i -lt $RUNS ]; do
    "$BIN/zel_bench_package_open" "$exe" $mode >> "$WORK/samples"
    i=$((i + 1))
  done
  ms=$(cut -d' ' -f1 "$WORK/samples" | median)
  rss=$(cut -d' ' -f2 "$WORK/samples" | median)
  echo "$ms $rss"
}

for size in 1MiB 256MiB 2GiB; do
  case $size in
    1MiB) bytes=1048576 ;;
    256MiB) bytes=268435456 ;;
    2GiB) bytes=2147483648 ;;
  esac
  make_package "p$size" "$bytes"
  set -- $(measure "$WORK/p$size.exe")
  echo "BENCH package_open_ms_$size $1 ms"
  echo "BENCH package_open_rss_mib_$size $2 MiB"
  if [ "$size" = 1MiB ]; then
    set -- $(measure "$WORK/p$size.exe" --copy)
    echo "BENCH package_open_floor_copy_ms_1MiB $1 ms"
    echo "BENCH package_open_floor_copy_rss_mib_1MiB $2 MiB"
  fi
  rm -f "$WORK/p$size.exe"
done
