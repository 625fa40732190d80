#!/bin/bash
# Packages applications with `zel` and checks the results with standard tools.
# Usage: zel_command_test.sh BIN_DIR SOURCE_DIR PE_FIXTURE_WRITER
set -u
BIN=$1
SRC=$2
PE_FIXTURE=$3
ZEL=$BIN/zel
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
passes=0

pass() { passes=$((passes + 1)); }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$2"; then pass; else fail "$1"; fi; }

# Runs zel expecting failure: exit code non-zero, one line on stderr naming $2.
expect_error() {
  local name=$1 pattern=$2; shift 2
  local err
  err=$("$@" 2>&1 >/dev/null)
  local code=$?
  if [ $code -eq 0 ]; then fail "$name: exit code 0"; return; fi
  if [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ]; then fail "$name: expected one line, got: $err"; return; fi
  if ! printf '%s' "$err" | grep -q -- "$pattern"; then fail "$name: '$err' does not mention '$pattern'"; return; fi
  pass
}

cd "$WORK"

# A new application from the template builds, lists and extracts.
check "init" '"$ZEL" init hello >/dev/null && [ -f hello/zel.ini ] && [ -f hello/app/index.html ]'
check "init writes the bridge declarations for editors" 'grep -q "interface Dialogs" hello/zel.d.ts && grep -q "zel.d.ts" hello/jsconfig.json'
check "build" '"$ZEL" build hello -o Hello >/dev/null && [ -x Hello ]'
check "inspect lists entries" '"$ZEL" inspect Hello | grep -q "hello/app/index.html\|app/index.html"'
check "inspect lists settings" '"$ZEL" inspect Hello | grep -q "DirName *= app"'
check "extract" '"$ZEL" extract Hello -o p.zip >/dev/null && [ -s p.zip ]'
PASSWORD=$("$ZEL" key)
check "Info-ZIP accepts the package with the archive password" 'unzip -P "$PASSWORD" -tq p.zip >/dev/null'
check "contents survive" 'unzip -P "$PASSWORD" -p p.zip app/index.html | cmp -s - hello/app/index.html'
check "wrong password is refused" '! unzip -P wrong -tq p.zip >/dev/null 2>&1'
check "runtime template left unchanged" '! "$ZEL" inspect "$BIN/zel-runtime" >/dev/null 2>&1'

# The example application packs, with media stored and text deflated.
mkdir -p media/app
printf '[App]\nID=m\nName=M\nDirName=app\n' > media/zel.ini
head -c 20000 /dev/zero > media/app/clip.webm
head -c 20000 /dev/zero > media/app/page.html
printf 'extra();' > media/zel-webviewjs
check "build media" '"$ZEL" build media -o Media >/dev/null'
check "media stored" '"$ZEL" inspect Media | grep "app/clip.webm" | grep -q stored'
check "text deflated" '"$ZEL" inspect Media | grep "app/page.html" | grep -q deflated'
check "zel-webviewjs packed" '"$ZEL" inspect Media | grep -q " zel-webviewjs$"'
check "aes" '"$ZEL" build media --aes -o MediaAes >/dev/null && "$ZEL" inspect MediaAes | grep "app/page.html" | grep -q aes-256'
check "example builds" '"$ZEL" build "$SRC/examples/showcase" -o Showcase >/dev/null && "$ZEL" inspect Showcase | grep -q "app/js/app.js"'

# Bad input: one clear line, non-zero exit, nothing written.
mkdir -p noini empty-id nodir
expect_error "folder without zel.ini" "zel.ini" "$ZEL" build noini -o Out1
printf '[App]\nID=\nName=N\nDirName=app\n' > empty-id/zel.ini; mkdir -p empty-id/app
expect_error "empty ID" "ID" "$ZEL" build empty-id -o Out2
expect_error "dev: folder without zel.ini" "zel.ini" "$ZEL" dev noini
expect_error "dev: empty ID" "ID" "$ZEL" dev empty-id
printf '[App]\nID=x\nName=N\nDirName=missing\n' > nodir/zel.ini
expect_error "missing DirName folder" "missing" "$ZEL" build nodir -o Out3
expect_error "output folder does not exist" "does not exist" "$ZEL" build hello -o no/such/dir/Out4
expect_error "missing folder" "not a folder" "$ZEL" build does-not-exist -o Out5
expect_error "extract of a file without package" "carries no package" "$ZEL" extract "$BIN/zel-runtime" -o x.zip
check "no output left behind" '[ ! -e Out1 ] && [ ! -e Out2 ] && [ ! -e Out3 ] && [ ! -e x.zip ] && [ -z "$(ls -A | grep "^\.")" ]'

# A failed build keeps the previous output intact: an input that cannot be
# read (reading a process's memory at offset 0 fails, even for root).
cp Hello Keep
cp Keep Keep.orig
ln -s /proc/self/mem hello/app/unreadable.bin
expect_error "unreadable input" "Read error" "$ZEL" build hello -o Keep
check "previous output intact" 'cmp -s Keep Keep.orig && [ -z "$(ls -A | grep "^\.")" ]'
rm hello/app/unreadable.bin
# An archive password that would break the build, change silently or break
# the printed shell line is refused by `zel key` and by the configuration.
check "key --encode prints the pair as a cmake line" \
  '"$ZEL" key --encode "My-Own.Password#26-chars!x" | grep -q "^cmake -DZEL_ARCHIVE_ENCODED_TEXT=.* -DZEL_ARCHIVE_KEY=.QWZRTMBXKPLHVNCJDGFSY. ...$"'
expect_error "key: double quote" "character \"" "$ZEL" key --encode 'pass"word'
expect_error "key: backslash" 'character \\' "$ZEL" key --encode 'pass\word'
expect_error "key: single quote" "character '" "$ZEL" key --encode "pass'word"
expect_error "key: blank" "blank" "$ZEL" key --encode 'pass word'
expect_error "key: letters outside ASCII" "outside ASCII" "$ZEL" key --encode 'passwörd'
expect_error "key: small letters in the key" "capital letters" "$ZEL" key --encode password --key Abc
for pair in 'pass"word ABC' 'pass\word ABC' "pass'word ABC" 'password abc' 'password A1'; do
  check "configure refuses '$pair'" \
    '! cmake -DZEL_ARCHIVE_ENCODED_TEXT="${pair% *}" -DZEL_ARCHIVE_KEY="${pair##* }" -P "$SRC/cmake/ArchiveKeyCheck.cmake" 2>err.txt && grep -q "ZEL_ARCHIVE_" err.txt'
done
check "configure accepts a pair zel key printed" \
  'cmake -DZEL_ARCHIVE_ENCODED_TEXT="Pak-Imdh9#Wbhrp!Tafjrp2026" -DZEL_ARCHIVE_KEY=QWZRTMBXKPLHVNCJDGFSY -P "$SRC/cmake/ArchiveKeyCheck.cmake"'

# Windows executables, from a fixture template (a minimal 64-bit Windows
# program with an icon and version texts) and a stand-in for Microsoft's loader.
"$PE_FIXTURE" template win-runtime.exe
"$ZEL" init win >/dev/null
"$PE_FIXTURE" icon win/app.ico
printf '\n[Build]\nIcon=app.ico\nCompanyName=Acme Widgets International Ltd\nFileVersion=2.0.0.1\nComments=absent from the template\n' >> win/zel.ini
printf 'MZ stand-in loader' > loader.dll
expect_error "windows: no loader" "WebView2Loader.dll from the WebView2 SDK" \
  "$ZEL" build win -o WinNoLoader.exe --target windows-x64 --runtime win-runtime.exe
expect_error "windows: Linux template" "not for windows-x64" \
  "$ZEL" build win -o WinBad.exe --target windows-x64 --runtime "$BIN/zel-runtime" --engine loader.dll
expect_error "linux: Windows template" "not for linux-x64" "$ZEL" build hello -o HelloBad --runtime win-runtime.exe
expect_error "unknown target" "windows-x64" "$ZEL" build hello -o HelloBad --target beos-x64
expect_error "template with a package" "already carries a package" "$ZEL" build hello -o HelloTwice --runtime Hello
# A template whose first section holds no bytes and is placed after the
# file's end: its image would end beyond the file.
python3 - win-runtime.exe win-beyond.exe <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
section = struct.unpack_from("<I", data, 0x3C)[0] + 24 + struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 20)[0]
struct.pack_into("<II", data, section + 16, 0, len(data) + 4096)  # SizeOfRawData, PointerToRawData
open(sys.argv[2], "wb").write(data)
PY
expect_error "windows: image beyond the file" "is damaged: its image ends at byte" \
  "$ZEL" build win -o WinBeyond.exe --target windows-x64 --runtime win-beyond.exe --engine loader.dll
check "nothing left by a refused build" '! ls -A | grep -q "WinBeyond"'
check "windows build" '"$ZEL" build win -o Win.exe --target windows-x64 --runtime win-runtime.exe --engine loader.dll >build.txt'
check "build says what it set" 'grep -q "icon app.ico (2 images)" build.txt && grep -q "CompanyName=Acme Widgets International Ltd" build.txt && grep -q "so not set: Comments" build.txt'
check "build names the missing installer" 'grep -q "no WebView2Installer.exe" build.txt'
check "template left unchanged" '"$PE_FIXTURE" template fresh.exe && cmp -s fresh.exe win-runtime.exe'
# The image end from the section table, read here without zel.
IMAGE_END=$(python3 -c '
import struct, sys
b = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", b, 0x3C)[0]
count, optional = struct.unpack_from("<H", b, pe + 6)[0], struct.unpack_from("<H", b, pe + 20)[0]
print(max(sum(struct.unpack_from("<II", b, pe + 24 + optional + 40 * i + 16)) for i in range(count)))' Win.exe)
check "image end + package = file size" '"$ZEL" extract Win.exe -o win.zip >/dev/null && [ $((IMAGE_END + $(stat -c %s win.zip))) -eq "$(stat -c %s Win.exe)" ] && tail -c +$((IMAGE_END + 1)) Win.exe | cmp -s - win.zip'
check "the loader is packed under its entry name" 'unzip -P "$PASSWORD" -p win.zip WebView2LoaderWin64.dll | cmp -s - loader.dll'
check "no Linux installer in a Windows package" '! unzip -l win.zip | grep -q "zel-engine-install.sh"'
"$ZEL" inspect Win.exe > inspect.txt
check "inspect: target" 'grep -q "^Target: windows-x64$" inspect.txt'
check "inspect: icon" 'grep -q "^Icon group MAINICON (language 1033): 16x16/32-bit 32x32/32-bit$" inspect.txt'
check "inspect: version texts" 'grep -q "\[040904b0\] CompanyName *= Acme Widgets International Ltd$" inspect.txt && grep -q "FileVersion *= 2.0.0.1$" inspect.txt && grep -q "ProductName *= zel$" inspect.txt'
check "inspect: Linux target" '"$ZEL" inspect Hello | grep -q "^Target: linux-x64$"'
# The folder's loader and installer are taken without --engine.
cp loader.dll win/WebView2LoaderWin64.dll
printf 'MZ stand-in installer' > win/WebView2Installer.exe
check "windows build from the folder" '"$ZEL" build win -o Win2.exe --target windows-x64 --runtime win-runtime.exe >build2.txt && ! grep -q "no WebView2Installer" build2.txt && "$ZEL" inspect Win2.exe | grep -q " WebView2Installer.exe$"'
printf 'not an icon' > win/app.ico
expect_error "windows: damaged icon" "not a valid icon file" \
  "$ZEL" build win -o Win3.exe --target windows-x64 --runtime win-runtime.exe
check "linux build notes ignored [Build] keys" '"$ZEL" build win -o WinLinux | grep -q "ignored: they apply to windows-x64"'
check "no Windows output left behind" '[ ! -e WinNoLoader.exe ] && [ ! -e WinBad.exe ] && [ ! -e Win3.exe ] && [ -z "$(ls -A | grep "^\.")" ]'

check "help names the commands" '"$ZEL" --help | grep -q "build" && "$ZEL" build --help | grep -q -- "--aes" && "$ZEL" build --help | grep -q "linux-x64.*windows-x64"'

echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
