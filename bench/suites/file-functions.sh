#!/bin/sh
# Large files through the bridge, as the runtime handles a page's message:
# base64.decodeToFile of 200 MiB (267 MiB of text) and files.writeTextFile
# of 100 MiB (each the whole call from the message's arrival to its reply,
# and reading the message alone), and
# files.extractFile of a 200 MiB stored entry and a 200 MiB deflated one.
# Every figure includes flushing the file to the disk and renaming it into
# place. Floors, measured in the same run on the same data: `base64 -d`,
# `cat` and Info-ZIP's `unzip -p`, each followed by `sync` of the written file.
# Samples are taken in pairs, one of zel and one of the floor, their order
# alternating from pair to pair after a warm-up pair that is not counted; a
# ratio is the median of the pairs' ratios and its spread their interquartile
# range, printed as `BENCH <name>_spread <q1>-<q3> x`. ZEL_BENCH_PAIRS chooses
# the number of pairs (default 5), ZEL_BIN_DIR the programs (build/bin).
set -eu
BIN=${ZEL_BIN_DIR:-build/bin}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zel-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
PAIRS=${ZEL_BENCH_PAIRS:-5}
SIZE=209715200

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The wall time of a shell command line, in ms.
time_of() {
  start=$(now_ms)
  sh -c "$1"
  echo $(($(now_ms) - start))
}
# Prints "<zel's output> <floor ms>" for each counted pair: zel's command is
# everything after the floor's command line $1.
pairs_of() {
  floor=$1
  shift
  i=0
  while [ $i -le "$PAIRS" ]; do
    if [ $((i % 2)) -eq 0 ]; then
      z=$("$@")
      f=$(time_of "$floor")
    else
      f=$(time_of "$floor")
      z=$("$@")
    fi
    if [ $i -gt 0 ]; then echo "$z $f"; fi
    i=$((i + 1))
  done
}
# Reads the pairs of pairs_of; prints the median of zel's field $2 as
# <name>_ms (<name>_<$3>_ms where $3 is given), the floor's median, the median
# of the paired ratios and their interquartile range.
report() {
  awk -v name="$1" -v field="$2" -v own="$3" '
    function median(v, n) { return quantile(v, n, 0.5) }
    function quantile(v, n, p,   at, low) {
      at = (n - 1) * p; low = int(at)
      return low + 1 < n ? v[low] + (at - low) * (v[low + 1] - v[low]) : v[low]
    }
    function sorted(v, n,   i, j, t) {
      for (i = 1; i < n; i++) for (j = i; j > 0 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    }
    BEGIN { n = 0 }
    { z[n] = $field; f[n] = $NF; r[n] = $field / ($NF > 0 ? $NF : 1); n++ }
    END {
      sorted(z, n); sorted(f, n); sorted(r, n)
      printf "BENCH %s%s_ms %.2f ms\n", name, own == "" ? "" : "_" own, median(z, n)
      printf "BENCH %s_floor_ms %.2f ms\n", name, median(f, n)
      printf "BENCH %s_ratio %.2f x\n", name, median(r, n)
      printf "BENCH %s_spread %.2f-%.2f x\n", name, quantile(r, n, 0.25), quantile(r, n, 0.75)
    }'
}
# The median of field $1 of the pairs.
median_field() { cut -d' ' -f"$1" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
same() { cmp -s "$1" "$2" || { echo "wrong bytes in $2" >&2; exit 1; }; }

head -c $SIZE /dev/urandom > "$WORK/random.bin"
base64 -w0 "$WORK/random.bin" > "$WORK/random.b64"

# base64.decodeToFile
pairs_of "base64 -d '$WORK/random.b64' > '$WORK/floor.bin' && sync '$WORK/floor.bin'" \
  "$BIN/zel_bench_file_functions" decode "$WORK/random.b64" "$WORK/decoded.bin" > "$WORK/pairs"
same "$WORK/random.bin" "$WORK/decoded.bin"
same "$WORK/random.bin" "$WORK/floor.bin"
report decode_to_file_200MiB_host 2 "" < "$WORK/pairs"
# Reading the message, part of the figure above; shown for context.
echo "BENCH decode_to_file_200MiB_message_read_ms $(median_field 1 < "$WORK/pairs") ms"
rm -f "$WORK/random.b64" "$WORK/decoded.bin" "$WORK/floor.bin"

# files.writeTextFile of 100 MiB of lines with quotes and a non-ASCII letter
# (every line break and quote is escaped in the message)
TEXT_SIZE=104857600
yes '1234,"Café order 567",123.45,2024-10-01T12:00:00Z,OK' | head -c $TEXT_SIZE > "$WORK/text.txt"
pairs_of "cat '$WORK/text.txt' > '$WORK/floor.txt' && sync '$WORK/floor.txt'" \
  "$BIN/zel_bench_file_functions" writetext "$WORK/text.txt" "$WORK/written.txt" > "$WORK/pairs"
same "$WORK/text.txt" "$WORK/floor.txt"
report write_text_file_100MiB_host 2 "" < "$WORK/pairs"
echo "BENCH write_text_file_100MiB_message_read_ms $(median_field 1 < "$WORK/pairs") ms"
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
  # unzip warns about the executable in front of the archive: its status is not used
  pairs_of "unzip -qq -P '$PASSWORD' -p '$WORK/app.exe' 'app/$entry' > '$WORK/floor' 2>/dev/null; \
     sync '$WORK/floor'" \
    "$BIN/zel_bench_file_functions" extract "$WORK/app.exe" "/$entry" "$WORK/out" > "$WORK/pairs"
  same "$WORK/app/app/$entry" "$WORK/out"
  same "$WORK/app/app/$entry" "$WORK/floor"
  report "extract_file_200MiB_${name}" 1 call < "$WORK/pairs"
  rm -f "$WORK/out" "$WORK/floor"
done
