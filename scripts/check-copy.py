#!/usr/bin/env python3
"""Selects the code of a --line-numbers page in headless Chromium and compares the
selection's text (what copying takes) with the source: no numbers may come along.

    scripts/check-copy.py OUT/Unit1_pas.htm SRC/Unit1.pas     (needs chromium)
"""
import html, json, os, re, subprocess, sys, tempfile

page, source = sys.argv[1], sys.argv[2]
data = open(page, 'rb').read()
script = b"""<script>
const range = document.createRange();
range.selectNodeContents(document.querySelector('pre'));
const sel = getSelection(); sel.removeAllRanges(); sel.addRange(range);
const out = document.createElement('div'); out.id = 'copied';
out.textContent = JSON.stringify(sel.toString());
document.body.appendChild(out);
</script>"""
copy = os.path.join(tempfile.mkdtemp(), 'copy-test.htm')
open(copy, 'wb').write(data.replace(b'</body>', script + b'</body>'))
dom = subprocess.run(['chromium', '--headless', '--no-sandbox', '--disable-gpu',
                      '--run-all-compositor-stages-before-draw', '--virtual-time-budget=5000',
                      '--dump-dom', 'file://' + copy], capture_output=True, text=True).stdout
copied = json.loads(html.unescape(re.search(r'<div id="copied">(.*?)</div>', dom, re.S).group(1)))
raw = open(source, 'rb').read()
# Without a mark: UTF-8 when it is valid UTF-8 with a character above ASCII, as pas2html reads it.
encoding = 'cp1251'
try:
    if not raw.isascii() and raw.decode('utf-8'):
        encoding = 'utf-8'
except UnicodeDecodeError:
    pass
for bom, name in ((b'\xef\xbb\xbf', 'utf-8-sig'), (b'\xff\xfe', 'utf-16'), (b'\xfe\xff', 'utf-16')):
    if raw.startswith(bom):
        encoding = name
        break
text = raw.decode(encoding)
text = re.sub(r'\r\n|\r', '\n', text)
print(f'{len(copied)} characters copied; first line: {copied.splitlines()[0]!r}')
if copied.rstrip('\n') != text.rstrip('\n'):
    import difflib
    print(''.join(list(difflib.unified_diff(text.splitlines(True), copied.splitlines(True)))[:20]))
    sys.exit(1)
print('copied text equals the source')
