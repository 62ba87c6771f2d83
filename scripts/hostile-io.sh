#!/bin/bash
# Hostile input and output for pas2html, checked from outside: sources that shrink under it,
# targets that are FIFOs, devices or links, standard streams that fail, trees with links out,
# devices, FIFOs, unreadable folders and odd names, temporaries of killed runs, and a user
# allowed few threads. Run it as root and as an ordinary user:
#   scripts/hostile-io.sh [path/to/pas2html]
# Prints one line per case and exits 1 when any case fails. As root, a small tmpfs (when it
# can be mounted) checks that a full disk is named as such.

set -u
export LC_ALL=C.UTF-8 # the system's reasons in its own words, as the checks expect them
BIN=$(readlink -f "${1:-$(dirname "$0")/../build/bin/pas2html}")
[ -x "$BIN" ] || { echo "no pas2html at $BIN" >&2; exit 2; }
T=$(mktemp -d)
chmod 755 "$T"
trap 'chmod -R u+rwx "$T" 2>/dev/null; rm -rf "$T"' EXIT
cd "$T" || exit 2
failures=0

pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1${2:+: $2}"; failures=$((failures + 1)); }
check() { # name, condition given as a command
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name"; fi
}
no_signal() { [ "$1" -lt 128 ]; }
# --site on FOLDER/src into FOLDER/out must end within a minute, with status 0 and PAGE written.
site_within_a_minute() { # folder, page, what the source holds
    timeout 60 "$BIN" -q -j 2 --site -o "$1/out" "$1/src"
    local rc=$?
    check "--site on $3: done within a minute, exit 0 (was $rc)" test $rc -eq 0 -a -f "$1/out/$2"
}

printf 'unit u;\r\nbegin\r\nend.\r\n' > u.pas

# --- sources that change under the reader
head -c 50000000 /dev/zero | tr '\0' 'a' > shrink.pas
"$BIN" -q shrink.pas 2>/dev/null &
pid=$!
sleep 0.1
truncate -s 1000 shrink.pas
wait $pid 2>/dev/null
rc=$?
check "shrinking source: no signal (exit $rc)" no_signal $rc

# --- targets named with -o
mkfifo fifo.htm
cat fifo.htm > fifo.out &
timeout 20 "$BIN" -o fifo.htm u.pas
rc=$?
wait
check "FIFO target written into" test $rc -eq 0 -a -p fifo.htm -a -s fifo.out

if [ "$(id -u)" -eq 0 ] && mknod null c 1 3 2>/dev/null && mknod full c 1 7 2>/dev/null; then
    "$BIN" -o null u.pas
    check "device target written into, kept" test $? -eq 0 -a -c null
    "$BIN" -o full u.pas 2>err.txt
    check "full device: exit 1, kept, reason" \
        test $? -eq 1 -a -c full -a -n "$(grep -i 'space' err.txt)"
else
    echo "skip  device targets (need root and mknod)"
fi

echo old > real.htm
ln -s real.htm link.htm
"$BIN" -o link.htm u.pas
check "link target written through, link kept" test $? -eq 0 -a -L link.htm -a "$(head -c 6 real.htm)" = "<html>"

"$BIN" -o u.pas u.pas 2>/dev/null
check "target that is the source refused" test $? -eq 1 -a "$(head -c 4 u.pas)" = "unit"

"$BIN" -o /dev/stdout u.pas > stdout.htm
check "/dev/stdout target" test $? -eq 0 -a -s stdout.htm
echo before > log.htm
"$BIN" -o /dev/stdout u.pas >> log.htm
check "/dev/stdout target appended to with >>" \
    test $? -eq 0 -a "$(head -n 1 log.htm)" = before -a "$(grep -c '<html>' log.htm)" -eq 1

shm_link=/dev/shm/pas2html-hostile-$$.htm
if ln -s "$T/real.htm" "$shm_link" 2>/dev/null; then
    echo old > real.htm
    "$BIN" -o "$shm_link" u.pas
    check "link under /dev/shm: file replaced, never appended to" \
        test $? -eq 0 -a -L "$shm_link" -a "$(head -c 6 real.htm)" = "<html>"
    rm -f "$shm_link"
else
    echo "skip  link under /dev/shm"
fi

full_fs=$T/fullfs
mkdir "$full_fs"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=64k tmpfs "$full_fs" 2>/dev/null; then
    head -c 200000 /dev/zero | tr '\0' 'a' > mid.pas
    "$BIN" -o "$full_fs/mid.htm" mid.pas 2>full.err
    check "disk fills during the write: reason given" test $? -eq 1 -a -n "$(grep 'No space' full.err)"
    mkdir -p batch "$full_fs/site"
    for i in 1 2 3; do
        printf 'unit b%d;' $i > batch/b$i.pas
        echo old > "$full_fs/site/b${i}_pas.htm"
    done
    cp mid.pas batch/big.pas
    "$BIN" -q -o "$full_fs/site" batch 2>batch.err
    rc=$?
    check "disk fills in a folder run: exit 1, reason, the batch's pages old, no temporaries" \
        test $rc -eq 1 -a -n "$(grep 'No space' batch.err)" \
        -a "$(cat "$full_fs"/site/b?_pas.htm | sort -u)" = old \
        -a -z "$(ls -A "$full_fs/site" | grep dwelk-tmp)"
    rm -rf "${full_fs:?}/site"
    dd if=/dev/zero of="$full_fs/fill" bs=1k count=64 2>/dev/null
    "$BIN" -o "$full_fs/u.htm" u.pas 2>full.err
    check "disk full before the write: reason given" test $? -eq 1 -a -n "$(grep 'No space' full.err)"
    umount "$full_fs"
else
    echo "skip  full disk (needs root and a tmpfs mount)"
fi

# --- standard streams
"$BIN" - < u.pas > /dev/full 2>/dev/null
check "standard output on a full disk: exit 1" test $? -eq 1
"$BIN" --help > /dev/full 2>/dev/null
check "--help on a full disk: exit 1" test $? -eq 1
"$BIN" - <&- > /dev/null 2>&1
check "closed standard input: exit 1" test $? -eq 1
"$BIN" - < . > /dev/null 2>&1
check "folder as standard input: exit 1" test $? -eq 1
"$BIN" - < u.pas >&- 2>/dev/null
check "closed standard output: exit 1" test $? -eq 1

# --- hostile trees
mkdir -p tree/sub tree/.hidden outside out
printf 'unit a;' > tree/a.pas
printf 'unit b;' > tree/sub/b.pas
printf 'unit h;' > tree/.hidden/h.pas
echo secret > outside/key.pas
echo victim > outside/victim
ln -s ../outside/key.pas tree/key.pas
ln -s /dev/zero tree/zero.pas
ln -s ../outside tree/linked
ln -s ../outside/victim tree/a_pas.htm
mkfifo tree/fifo.pas tree/sub/b_pas.htm
ln -s ../outside out/sub
(ulimit -v 1000000; timeout 60 "$BIN" -q tree 2>walk.err)
rc=$?
check "walk: exit 1 (was $rc), no hang, no signal" test $rc -eq 1
check "walk: every skip reported" test "$(grep -c -e key.pas -e zero.pas -e fifo.pas -e a_pas.htm -e b_pas.htm walk.err)" -eq 5
check "walk: nothing outside touched" test "$(cat outside/victim)" = victim -a ! -e outside/b_pas.htm
check "walk: dot names skipped silently" test ! -e tree/.hidden/h_pas.htm -a -z "$(grep hidden walk.err)"
timeout 60 "$BIN" -q -o out tree 2>/dev/null
check "walk under -o: linked output subfolder refused" test $? -eq 1 -a ! -e outside/b_pas.htm

# --- temporaries a killed run left: removed when their process is gone, never otherwise
mkdir stale
cp u.pas stale/
touch stale/.u_pas.htm.dwelk-tmp-999999999-0 "stale/.u_pas.htm.dwelk-tmp-$$-0"
"$BIN" -q stale
check "temporaries of dead runs removed, of live ones kept" \
    test $? -eq 0 -a ! -e stale/.u_pas.htm.dwelk-tmp-999999999-0 -a -e "stale/.u_pas.htm.dwelk-tmp-$$-0"

# --- odd names
cp u.pas ' lead.pas'
"$BIN" ' lead.pas'
check "leading blank: that very file" test $? -eq 0 -a -f ' lead_pas.htm' -a ! -e lead_pas.htm
mkdir odd
cp u.pas "odd/$(printf 'bad\377name').pas"
cp u.pas 'odd/a&b<c> d.pas'
"$BIN" -q odd 2>odd.err
check "name not UTF-8: reported, exit 1" test $? -eq 1 -a -s odd.err -a -f 'odd/a&b<c> d_pas.htm'

# --- memory
head -c 300000000 /dev/zero | tr '\0' 'x' > huge.pas
(ulimit -v 400000; "$BIN" huge.pas u.pas 2>mem.err)
rc=$?
check "out of memory: reported by name, others go on (exit $rc)" \
    test $rc -eq 1 -a -f u_pas.htm -a -n "$(grep 'huge.pas' mem.err)"
rm -f huge.pas

# --- unreadable folders, as a user the permission bits bind
mkdir -p locked/in
printf 'unit l;' > locked/in/l.pas
printf 'unit m;' > locked/m.pas
chmod 000 locked/in
printf 'unit n;' > locked/n.pas
chmod 000 locked/n.pas
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    if command -v setpriv > /dev/null; then
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    elif command -v runuser > /dev/null; then
        as_user=(runuser -u nobody --)
    fi
    chmod 777 locked
fi
if [ "$(id -u)" -ne 0 ] || [ ${#as_user[@]} -gt 0 ]; then
    "${as_user[@]}" "$BIN" -q locked 2>locked.err
    rc=$?
    check "unreadable folder and file: reported, exit 1 (was $rc)" \
        test $rc -eq 1 -a -n "$(grep locked/in locked.err)" -a -n "$(grep n.pas locked.err)" -a -f locked/m_pas.htm
else
    echo "skip  unreadable folder (root without setpriv or runuser)"
fi

# --- a user allowed few processes asks for many workers: the run goes on with those it gets
if [ "$(id -u)" -ne 0 ] || [ ${#as_user[@]} -gt 0 ]; then
    mkdir many
    for i in $(seq 3000); do printf 'unit m%d;' "$i" > "many/m$i.pas"; done
    chmod -R a+rwX many
    (ulimit -u 60 && "${as_user[@]}" timeout 600 "$BIN" -q -j 1000 many)
    rc=$?
    check "-j 1000 with ulimit -u 60: every page, exit 0 (was $rc)" \
        test $rc -eq 0 -a "$(find many -name '*_pas.htm' | wc -l)" -eq 3000
else
    echo "skip  few processes (root without setpriv or runuser)"
fi

# --- the code browser where no worker thread may start at all: its reading and its
# references pages go on in the one thread there is (they once waited for threads forever)
if [ "$(id -u)" -ne 0 ] || [ ${#as_user[@]} -gt 0 ]; then
    mkdir -p browsed/src browsed/out
    for i in $(seq 40); do printf 'unit b%d;\ninterface\nvar V%d: Integer;\nimplementation\nend.\n' "$i" "$i" > "browsed/src/b$i.pas"; done
    chmod -R a+rwX browsed
    (ulimit -u 2 && "${as_user[@]}" timeout 600 "$BIN" -q -j 8 --site -o browsed/out browsed/src)
    rc=$?
    check "--site with ulimit -u 2 (no thread starts): every page, exit 0 (was $rc)" \
        test $rc -eq 0 -a "$(find browsed/out -name '*.refs.htm' | wc -l)" -eq 40 -a -f browsed/out/symbols.htm
else
    echo "skip  no threads (root without setpriv or runuser)"
fi

# --- generated code: tens of thousands of names alike but in their middle are read as
# quickly as any (a hash of their ends alone once took forty times as long), short names,
# hashed as two words, as well as long ones
mkdir -p alike/src alike/out
{
    printf 'unit alike;\ninterface\nvar\n'
    seq -f '  Item%06gValue: Integer;' 0 119999
    seq -f '  I%06gV: Integer;' 0 119999
    printf 'implementation\nprocedure P;\nbegin\n'
    seq -f '  Item%06gValue := 1;' 0 119999
    seq -f '  I%06gV := 1;' 0 119999
    printf 'end;\nend.\n'
} > alike/src/alike.pas
site_within_a_minute alike alike_pas.refs.htm "240,000 names alike"

# --- calls nested 400,000 deep, each left open by as many statement ends inside them: a
# call's arguments are counted as they pass, and no ";" goes back over the brackets open
mkdir -p deep/src deep/out
{
    printf 'program deep;\nbegin\n  x := f'
    yes 'f(' | head -n 400000
    yes ';' | head -n 400000
    printf 'end.\n'
} > deep/src/deep.pas
site_within_a_minute deep deep_pas.refs.htm "calls nested 400,000 deep and left open"

echo "$failures failed"
[ $failures -eq 0 ]
