#!/bin/sh
# Checks the converter from outside over form texts (e.g. the *.lfm files of a Lazarus
# install): each text is made binary by Free Pascal, converted to text by form2text
# (raw and behind a resource header), made binary again by Free Pascal, and the two
# binaries must hold the same object tree (formtree.py).
# usage: roundtrip.sh FORMCONV FORM2TEXT FILE...
set -u
formconv=$1 form2text=$2
shift 2
here=$(dirname "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
checked=0 skipped=0 failed=0
for f in "$@"; do
    if ! "$formconv" tobin "$f" "$tmp/a.dfm" >/dev/null 2>&1; then
        skipped=$((skipped + 1)) # not a text Free Pascal reads
        continue
    fi
    python3 "$here/add_resource_header.py" "$tmp/a.dfm" "$tmp/r.dfm"
    if ! "$form2text" "$tmp/a.dfm" >"$tmp/a.txt" || ! "$form2text" "$tmp/r.dfm" >"$tmp/r.txt" ||
        ! cmp -s "$tmp/a.txt" "$tmp/r.txt" ||
        ! "$formconv" tobin "$tmp/a.txt" "$tmp/b.dfm" >/dev/null 2>&1 ||
        ! python3 "$here/formtree.py" "$tmp/a.dfm" "$tmp/b.dfm"; then
        echo "FAIL: $f"
        failed=$((failed + 1))
        continue
    fi
    checked=$((checked + 1))
done
echo "checked $checked, failed $failed, skipped $skipped (Free Pascal could not read them)"
[ "$failed" -eq 0 ]
