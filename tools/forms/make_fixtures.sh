#!/bin/sh
# Makes the binary form fixtures of the tests from the form texts in tests/data/forms:
# NAME.txt -> NAME.dfm (raw, by Free Pascal's converter) and NAME_res.dfm (behind a resource
# header). Needs Free Pascal (Debian package fpc); the tests themselves do not.
# usage: tools/forms/make_fixtures.sh   (from the repository's root)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
data="$here/../../tests/data/forms"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fpc -O2 -FE"$tmp" "$here/formconv.pas" >/dev/null
for txt in "$data"/*.txt; do
    name=${txt%.txt}
    "$tmp/formconv" tobin "$txt" "$name.dfm"
    python3 "$here/add_resource_header.py" "$name.dfm" "${name}_res.dfm"
done
