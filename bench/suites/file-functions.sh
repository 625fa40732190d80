#!/bin/sh
# Large files through the bridge, as the runtime handles a page's message:
# base64.decodeToFile of 200 MiB (267 MiB of text) and files.writeTextFile
# of 100 MiB (each the whole call from the message's arrival to its reply,
# and reading the message alone), and
# files.extractFile of a 200 MiB stored entry and a 200 MiB deflated one.
# Every figure includes flushing the file to the disk and renaming it into
# place. Floors, measured in the same run on the same data: `base64 -d`,
# `cat` and Info-ZIP's `unzip -p`, each followed by `sync` of the written file.
set -eu
BIN=build/bin
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zel-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
RUNS=3
SIZE=209715200

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Runs the command $RUNS times, its outputs one after the other.
samples_of() {
  i=0
  while [ $i -lt $RUNS ]; do "$@"; i=$((i + 1)); done
}
# Prints the median of $RUNS runs of the command's own output (one number).
median_of() { samples_of "$@" | median; }
# Prints the median wall time of $RUNS runs of a shell command line.
median_time_of() {
  i=0
  while [ $i -lt $RUNS ]; do
    start=$(now_ms)
    sh -c "$1"
    echo $(($(now_ms) - start))
    i=$((i + 1))
  done | median
}
same() { cmp -s "$1" "$2" || { echo "wrong bytes in $2" >&2; exit 1; }; }

head -c $SIZE /dev/urandom > "$WORK/random.bin"
base64 -w0 "$WORK/random.bin" > "$WORK/random.b64"

# base64.decodeToFile
samples_of "$BIN/zel_bench_file_functions" decode "$WORK/random.b64" "$WORK/decoded.bin" > "$WORK/samples"
same "$WORK/random.bin" "$WORK/decoded.bin"
echo "BENCH decode_to_file_200MiB_host_ms $(cut -d' ' -f2 "$WORK/samples" | median) ms"
# Reading the message, part of the figure above; shown for context.
echo "BENCH decode_to_file_200MiB_message_read_ms $(cut -d' ' -f1 "$WORK/samples" | median) ms"
echo "BENCH decode_to_file_200MiB_floor_base64_sync_ms $(median_time_of \
  "base64 -d '$WORK/random.b64' > '$WORK/floor.bin' && sync '$WORK/floor.bin'") ms"
same "$WORK/random.bin" "$WORK/floor.bin"
rm -f "$WORK/random.b64" "$WORK/decoded.bin" "$WORK/floor.bin"

# files.writeTextFile of 100 MiB of lines with quotes and a non-ASCII letter
# (every line break and quote is escaped in the message)
TEXT_SIZE=104857600
yes '1234,"Café order 567",123.45,2024-10-01T12:00:00Z,OK' | head -c $TEXT_SIZE > "$WORK/text.txt"
samples_of "$BIN/zel_bench_file_functions" writetext "$WORK/text.txt" "$WORK/written.txt" > "$WORK/samples"
echo "BENCH write_text_file_100MiB_host_ms $(cut -d' ' -f2 "$WORK/samples" | median) ms"
echo "BENCH write_text_file_100MiB_message_read_ms $(cut -d' ' -f1 "$WORK/samples" | median) ms"
echo "BENCH write_text_file_100MiB_floor_cat_sync_ms $(median_time_of \
  "cat '$WORK/text.txt' > '$WORK/floor.txt' && sync '$WORK/floor.txt'") ms"
rm -f "$WORK/text.txt" "$WORK/written.txt" "$WORK/floor.txt"

# files.extractFile: a stored entry (media is not deflated) and a deflated one
mkdir -p "$WORK/app/app"
printf '[App]\nID=bench.extract\nName=Bench\nDirName=app\n' > "$WORK/app/zel.ini"
echo '<h1>bench</h1>' > "$WORK/app/app/index.html"
mv "$WORK/random.bin" "$WORK/app/app/media.webm"
yes 'A line of text that deflates well, 0123456789.' | head -c $SIZE > "$WORK/app/app/text.txt"
"$BIN/zel" build "$WORK/app" -o "$WORK/app.exe" >/dev/null
PASSWORD=$("$BIN/zel_bench_file_functions" password)
for entry in media.webm text.txt; do
  case $entry in media.webm) name=stored ;; *) name=deflated ;; esac
  ms=$(median_of "$BIN/zel_bench_file_functions" extract "$WORK/app.exe" "/$entry" "$WORK/out")
  same "$WORK/app/app/$entry" "$WORK/out"
  echo "BENCH extract_file_200MiB_${name}_call_ms $ms ms"
  # unzip warns about the executable in front of the archive: its status is not used
  echo "BENCH extract_file_200MiB_${name}_floor_unzip_sync_ms $(median_time_of \
    "unzip -qq -P '$PASSWORD' -p '$WORK/app.exe' 'app/$entry' > '$WORK/floor' 2>/dev/null; \
     sync '$WORK/floor'") ms"
  same "$WORK/app/app/$entry" "$WORK/floor"
  rm -f "$WORK/out" "$WORK/floor"
done
