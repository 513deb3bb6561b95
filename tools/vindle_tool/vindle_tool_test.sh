#!/usr/bin/env bash
# End-to-end run of vindle-tool: builds indexes from key files, lists them forwards, backwards
# and by range, damages one and repairs it, and compares every listing with what the key files
# say it must be. Usage: vindle_tool_test.sh PATH-TO-vindle-tool
set -u
tool=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/vindle-tool-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { # name expected actual
    if [ "$2" != "$3" ]; then
        fail "$1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20
    fi
}
expect_rc() { # name expected-code command...
    local name=$1 want=$2
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    [ "$rc" = "$want" ] || fail "$name: exit code $rc, expected $want ($(cat "$work/err"))"
}
head_u32() { # file offset
    od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '
}

# --- a unique index with enough records for leaf and root splits (page 256: 19 per leaf) ---
idx=$work/u.idx
expect_rc "create" 0 "$tool" create "$idx" --page 256 --key 8 --data 4
expect_eq "new file is three pages" 768 "$(stat -c %s "$idx")"
for i in $(seq 1 400); do printf 'k%05d\td%03d\n' $(((i * 7919) % 500)) $((i % 1000)); done >"$work/keys"
for i in $(seq 1 50); do printf 'k%05d\tdup\n' $(((i * 7919) % 500)); done >>"$work/keys"
# the first occurrence of each key wins in a unique index
expected=$(awk -F'\t' '!seen[$1]++' "$work/keys" | sort -t$'\t' -k1,1)
distinct=$(printf '%s\n' "$expected" | wc -l)
out=$("$tool" add "$idx" "$work/keys")
expect_eq "add counts" "added $distinct, rejected $((450 - distinct)) as already present" "$out"
expect_eq "full scan" "$expected" "$("$tool" scan "$idx")"
expect_eq "reverse scan" "$(printf '%s\n' "$expected" | tac)" "$("$tool" scan "$idx" --reverse)"
[ "$(head_u32 "$idx" 28)" != 1 ] || fail "400 records did not split the root"

range=$(printf '%s\n' "$expected" | awk -F'\t' '$1 >= "k00100" && $1 <= "k00200"')
expect_eq "range scan" "$range" "$("$tool" scan "$idx" --from k00100 --to k00200)"
expect_eq "reverse range scan" "$(printf '%s\n' "$range" | tac)" \
    "$("$tool" scan "$idx" --from k00100 --to k00200 --reverse)"
# a range that ends past the last key, and one that holds nothing between two keys
tail_part=$(printf '%s\n' "$expected" | awk -F'\t' '$1 >= "k00450"')
expect_eq "reverse range to the end" "$(printf '%s\n' "$tail_part" | tac)" \
    "$("$tool" scan "$idx" --from k00450 --reverse)"
expect_eq "empty reverse range" "" "$("$tool" scan "$idx" --from k00100x --to k00100z --reverse)"
expect_eq "exact key" "$(printf '%s\n' "$expected" | grep '^k00123	')" \
    "$("$tool" scan "$idx" --from k00123 --to k00123)"

# --- a bad line is refused before anything is added ---
printf 'k90000\nk90001\n123456789\n' >"$work/bad"
expect_rc "key too long" 1 "$tool" add "$idx" "$work/bad"
grep -q "line 3" "$work/err" || fail "too-long key error does not name line 3: $(cat "$work/err")"
expect_eq "bad key file adds nothing" "$expected" "$("$tool" scan "$idx")"
printf 'k1\t12345\n' >"$work/bad"
expect_rc "data too long" 1 "$tool" add "$idx" "$work/bad"

# --- check, damage, repair ---
expect_rc "check valid" 0 "$tool" check "$idx"
expect_eq "check prints valid" valid "$(cat "$work/out")"
root=$(head_u32 "$idx" 28)
printf '\x09' | dd of="$idx" bs=1 seek=$((root * 256 + 4)) conv=notrunc status=none
expect_rc "check damaged" 1 "$tool" check "$idx"
expect_eq "check prints damaged" damaged "$(cat "$work/out")"
expect_rc "repair" 0 "$tool" repair "$idx"
expect_eq "repair reports the records" "repaired: valid, $distinct records" "$(cat "$work/out")"
expect_rc "check after repair" 0 "$tool" check "$idx"
expect_eq "repair keeps every record" "$expected" "$("$tool" scan "$idx")"
expect_eq "repair keeps the page size" 256 "$(head_u32 "$idx" 8)"
expect_eq "repair keeps the key size" 8 "$(head_u32 "$idx" 12)"

# --- non-unique index with aux data and unprintable bytes ---
nu=$work/n.idx
expect_rc "create non-unique" 0 "$tool" create "$nu" --page 512 --key 6 --data 3 --aux 16 --non-unique
printf 'same\t1\n\nsame\t2\na\001b\tz\nsame\t3\n' >"$work/nkeys"
expect_eq "non-unique add" "added 4, rejected 0 as already present" "$("$tool" add "$nu" "$work/nkeys")"
expect_eq "equal keys in the order added" $'a\\x01b\tz\nsame\t1\nsame\t2\nsame\t3' \
    "$("$tool" scan "$nu")"
expect_eq "equal keys backwards" $'same\t3\nsame\t2\nsame\t1\na\\x01b\tz' "$("$tool" scan "$nu" --reverse)"
expect_rc "repair non-unique" 0 "$tool" repair "$nu"
expect_eq "repair keeps duplicates" "repaired: valid, 4 records" "$(cat "$work/out")"
expect_eq "repair keeps the aux size" 16 "$(head_u32 "$nu" 36)"
expect_eq "repair keeps non-unique" 0 "$(head_u32 "$nu" 44)"
"$tool" dump "$nu" >"$work/dump"
{ grep -q "^Head Page" "$work/dump" && grep -q "^Leaf Page" "$work/dump"; } || fail "dump lacks pages"

# --- an index without data fields: keys only ---
ko=$work/k.idx
expect_rc "create key-only" 0 "$tool" create "$ko" --page 128 --key 4 --data 0
printf 'bb\naa\nbb\n' >"$work/kokeys"
expect_eq "key-only add" "added 2, rejected 1 as already present" "$("$tool" add "$ko" "$work/kokeys")"
expect_eq "key-only scan" $'aa\nbb' "$("$tool" scan "$ko")"

# --- a leaf linked to itself: listings must end with an error instead of running for ever ---
ring=$work/r.idx
"$tool" create "$ring" --page 128 --key 4 --data 4 >/dev/null
printf 'a\nb\nc\n' >"$work/rkeys"
"$tool" add "$ring" "$work/rkeys" >/dev/null
printf '\x02' | dd of="$ring" bs=1 seek=$((2 * 128 + 12)) conv=notrunc status=none
expect_rc "scan of a ring" 1 timeout 60 "$tool" scan "$ring"
grep -q "ring" "$work/err" || fail "scan of a ring gives no clear error: $(cat "$work/err")"
expect_rc "reverse scan of a ring" 1 timeout 60 "$tool" scan "$ring" --reverse

# --- usage and open errors ---
expect_rc "no arguments" 2 "$tool"
expect_rc "help" 0 "$tool" --help
expect_rc "unknown command" 2 "$tool" frobnicate "$idx"
expect_rc "unknown option" 2 "$tool" scan "$idx" --colour
expect_rc "missing option value" 2 "$tool" create "$work/x.idx" --page
expect_rc "bad number" 2 "$tool" create "$work/x.idx" --page 4k
expect_rc "page too small for two records" 2 "$tool" create "$work/x.idx" --page 64 --key 56
expect_rc "from after to" 2 "$tool" scan "$idx" --from b --to a
expect_rc "missing file" 1 "$tool" check "$work/absent.idx"
grep -q "cannot open" "$work/err" || fail "missing file error unclear: $(cat "$work/err")"
head -c 100 /dev/zero >"$work/junk.idx"
expect_rc "not an index" 1 "$tool" scan "$work/junk.idx"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all vindle-tool checks passed"
