#!/bin/bash
# `zel reg` on a store of its own: values written, read and deleted from a
# terminal, bad input refused, and two processes writing at once.
# Usage: zel_reg_test.sh BIN_DIR
set -u
ZEL=$1/zel
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME=$WORK/config
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { eval "$2" || fail "$1"; }
# Expects a non-zero exit and a message on stderr that mentions $2.
expect_error() {
  local name=$1 pattern=$2; shift 2
  local err code
  err=$("$@" 2>&1 >/dev/null)
  code=$?
  [ $code -ne 0 ] || { fail "$name: exit code 0"; return; }
  printf '%s' "$err" | grep -q -- "$pattern" || fail "$name: '$err' does not mention '$pattern'"
}

check "help names the subcommands" '"$ZEL" reg --help | grep -q "query" && "$ZEL" reg add --help | grep -q "dword"'
check "add creates the key and its parents" '"$ZEL" reg add "Software\\Vendor\\App" Greeting "say \"hi\" C:\\dir"'
check "store in XDG_CONFIG_HOME" '[ -f "$XDG_CONFIG_HOME/zel/registry.sqlite3" ]'
check "dword" '"$ZEL" reg add "software\\vendor\\app" Count 0x2A --type dword'
check "expandable string" '"$ZEL" reg add "\\Software\\Vendor\\App\\Sub" Path "%HOME%/bin" --type expand_sz'
out=$("$ZEL" reg query "SOFTWARE\\VENDOR\\APP")
expected='\SOFTWARE\VENDOR\APP
    Count    REG_DWORD    0x2a (42)
    Greeting    REG_SZ    say "hi" C:\dir

\SOFTWARE\VENDOR\APP\Sub'
[ "$out" = "$expected" ] || fail "query lists values and sub-keys: got
$out"
check "query one value ignoring case" '"$ZEL" reg query "Software\\Vendor\\App\\sub" PATH | grep -q "REG_EXPAND_SZ    %HOME%/bin$"'

expect_error "empty key" "key is empty" "$ZEL" reg query ""
expect_error "empty name between backslashes" "empty name" "$ZEL" reg add "A\\\\B" N v
expect_error "missing key" "does not exist" "$ZEL" reg query "Software\\Nobody"
expect_error "missing value" "no value" "$ZEL" reg query "Software\\Vendor\\App" Nothing
expect_error "bad dword" "not a DWORD" "$ZEL" reg add "Software\\Vendor\\App" Count 4294967296 --type dword
expect_error "unknown type" "qword" "$ZEL" reg add "Software\\Vendor\\App" Count 1 --type qword
expect_error "no action" "" "$ZEL" reg
check "refused input wrote nothing" '! "$ZEL" reg query "A" >/dev/null 2>&1'

check "delete a value" '"$ZEL" reg delete "Software\\Vendor\\App" greeting'
expect_error "delete it again" "no value" "$ZEL" reg delete "Software\\Vendor\\App" Greeting
check "delete a branch" '"$ZEL" reg delete "Software\\Vendor"'
check "branch gone" '! "$ZEL" reg query "Software\\Vendor\\App\\Sub" >/dev/null 2>&1'
check "parent kept" '"$ZEL" reg query "Software" >/dev/null'

# Two processes that open a new store at once and write into one key.
export XDG_CONFIG_HOME=$WORK/concurrent
writer() { for i in $(seq 1 150); do "$ZEL" reg add "Shared" "$1$i" "$1-$i" || echo lost; done; }
writer a > "$WORK/a.log" 2>&1 &
writer b > "$WORK/b.log" 2>&1 &
wait
[ ! -s "$WORK/a.log" ] && [ ! -s "$WORK/b.log" ] || fail "a concurrent write failed: $(cat "$WORK"/?.log)"
count=$("$ZEL" reg query Shared | grep -c "REG_SZ")
[ "$count" -eq 300 ] || fail "concurrent writers: $count of 300 values"

[ $failures -eq 0 ] && echo "zel reg: all checks passed"
exit $((failures > 0))
