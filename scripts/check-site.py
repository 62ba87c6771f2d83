#!/usr/bin/env python3
"""Checks a site written by `pas2html --site -o OUT SRC` from outside:

    scripts/check-site.py OUT SRC

Every href of every page and of the index must lead to an existing page (and anchor);
every unit a uses clause names whose source was converted must be linked; each page has
one anchor per source line; the index lists every page. Prints what fails; exit 1 then.
"""
import html, os, re, sys, urllib.parse

out, src = sys.argv[1], sys.argv[2]
problems = []
# A code browser's links carry a title, its declarations an id before the href.
href_re = re.compile(r'<a (?:id="[^"]*" )?href="([^"]*)"( title="[^"]*")?>(.*?)</a>', re.S)
id_re = re.compile(r'id="([^"]*)"')
tag_re = re.compile(r'<[^>]*>')


def read_text(path):
    data = open(path, 'rb').read()
    for bom, enc in ((b'\xef\xbb\xbf', 'utf-8'), (b'\xff\xfe', 'utf-16-le'), (b'\xfe\xff', 'utf-16-be')):
        if data.startswith(bom):
            return data[len(bom):].decode(enc, 'replace')
    # Without a mark: UTF-8 when it is valid UTF-8 with a character above ASCII.
    if not data.isascii():
        try:
            return data.decode('utf-8')
        except UnicodeDecodeError:
            pass
    return data.decode('cp1251', 'replace')


pages = {}
for root, _, files in os.walk(out):
    for f in files:
        if f.endswith('.htm'):
            p = os.path.join(root, f)
            pages[os.path.relpath(p, out)] = read_text(p)

ids = {rel: set(id_re.findall(text)) for rel, text in pages.items()}
links = 0
for rel, text in pages.items():
    for href, title, label in href_re.findall(text):
        links += 1
        path, _, frag = href.partition('#')
        target = rel if not path else os.path.normpath(
            os.path.join(os.path.dirname(rel), urllib.parse.unquote(path)))
        if target not in pages:
            problems.append(f'{rel}: {href} leads nowhere')
        elif frag and urllib.parse.unquote(frag) not in ids[target]:
            problems.append(f'{rel}: {href} has no anchor')
        elif rel != 'index.htm' and not title and not path.endswith('.refs.htm') \
                and not rel.endswith('.refs.htm') and rel != 'symbols.htm':
            # A unit's link leads to the page of that unit, a directive to a form or include,
            # the contents link to the index.
            shown = tag_re.sub("", html.unescape(label)).lower()
            name = os.path.basename(target).lower()
            unit = name in (shown + "_pas.htm", shown + "_pp.htm", shown + "_p.htm")
            directive = (shown.startswith("{$r") or shown.startswith("{$i")) and name.endswith(
                ("_dfm.htm", "_lfm.htm", "_inc.htm", "_pp.htm", "_pas.htm"))
            contents = shown == "оглавление" and name == "index.htm"
            if not (unit or directive or contents):
                problems.append(f"{rel}: {shown} leads to {target}")

# The index lists every page but itself.
listed = {os.path.normpath(urllib.parse.unquote(h)) for h, _, _ in href_re.findall(pages.get('index.htm', ''))}
for rel in pages:
    if rel not in ('index.htm', 'symbols.htm') and not rel.endswith('.refs.htm') and rel not in listed:
        problems.append(f'index.htm: {rel} not listed')

# Every source type and the suffix of its page.
SUFFIXES = {'.pas': '_pas', '.dfm': '_dfm', '.dpr': '', '.lpr': '', '.dpk': '', '.pp': '_pp',
            '.p': '_p', '.inc': '_inc', '.lfm': '_lfm'}

# Sources of the run, by lower-case unit name; blank ones get no page.
units = {}
sources = []
for root, dirs, files in os.walk(src):
    dirs[:] = [d for d in dirs if not d.startswith('.')]
    for f in files:
        if f.startswith('.'):
            continue
        ext = os.path.splitext(f)[1].lower()
        if ext in SUFFIXES:
            p = os.path.join(root, f)
            text = read_text(p)
            if not text.strip(''.join(map(chr, range(33)))):
                continue
            sources.append((p, text))
            if ext in ('.pas', '.pp', '.p'):
                units.setdefault(os.path.splitext(f)[0].lower(), p)

def page_of(source):
    rel = os.path.relpath(source, src)
    base, ext = os.path.splitext(rel)
    return base + SUFFIXES[ext.lower()] + '.htm'


def used_units(text):
    # Comments may span lines: strip them with a scan over the whole text.
    names = []
    i = 0
    in_uses = False
    expect_name = False
    while i < len(text):
        c = text[i]
        if c == '{':
            j = text.find('}', i)
            i = len(text) if j < 0 else j + 1
            continue
        if text.startswith('(*', i):
            j = text.find('*)', i + 2)
            i = len(text) if j < 0 else j + 2
            continue
        if text.startswith('//', i):
            j = re.compile(r'[\r\n]').search(text, i)
            i = len(text) if not j else j.start()
            continue
        if c == "'":
            if in_uses:
                expect_name = False
            j = re.compile(r"['\r\n]").search(text, i + 1)
            i = len(text) if not j else j.start() + 1
            continue
        m = re.compile(r'[A-Za-z_\u0080-\uffff][\w.\u0080-\uffff]*').match(text, i)
        if m:
            word = m.group(0).rstrip('.')
            if in_uses and word.lower() == 'in':
                pass
            elif in_uses and expect_name:
                names.append(word)
                expect_name = False
            elif word.lower() == 'uses':
                in_uses, expect_name = True, True
            i = m.end()
            continue
        if in_uses and c == ',':
            expect_name = True
        elif in_uses and c == ';':
            in_uses = False
        elif in_uses and not c.isspace():
            in_uses = False  # no Pascal: a clause holds names, commas, "in" and strings
        i += 1
    return names


expected = 0
for path, text in sources:
    page = page_of(path)
    if page not in pages:
        problems.append(f'{path}: no page {page}')
        continue
    parts = re.split(r'\r\n|\r|\n', text)
    lines = len(parts) - (parts[-1] == '')
    anchors = len(re.findall(r'id="L\d+"', pages[page]))
    if anchors != lines:
        problems.append(f'{page}: {anchors} anchors for {lines} lines')
    linked = [tag_re.sub('', html.unescape(t)).lower() for _, _, t in href_re.findall(pages[page])]
    for name in used_units(text):
        if name.lower() in units:
            expected += 1
            if name.lower() not in linked:
                problems.append(f'{page}: uses {name} not linked')
            else:
                linked.remove(name.lower())

print(f'{len(pages)} pages, {links} links, {expected} uses of converted units, {len(problems)} problems')
for p in problems[:40]:
    print(p)
sys.exit(1 if problems else 0)
