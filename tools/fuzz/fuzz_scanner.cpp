// The scanner and the markup around its tokens: whatever the text, the page's preformatted
// block is the source itself once the markup is taken out and the escapes read back. (An
// unclosed string or comment leaves its markup open by design, so balance is not asked.)

#include "FuzzEntries.h"
#include "__pas2html.h"

#include <QString>

namespace {

// A tag set whose markup cannot be mistaken for anything the escaped source holds.
const TStrings& MarkerTags() {
    static const TStrings tags = [] {
        TStrings t;
        t.SetText(u"Bcom=<c>\nEcom=</c>\nBres=<r>\nEres=</r>\nBnum=<n>\nEnum=</n>\n"
                  u"Bstr=<s>\nEstr=</s>\nBdir=<d>\nEdir=</d>");
        return t;
    }();
    return tags;
}

// The input as text three ways, so that NULs, every Latin-1 character, invalid UTF-8 and
// lone surrogates all reach the scanner.
QString TextOf(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    switch (size % 3) {
    case 0:
        return QString::fromLatin1(bytes, qsizetype(size));
    case 1:
        return QString::fromUtf8(bytes, qsizetype(size));
    default:
        return QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    }
}

QString WithoutMarkup(QStringView block) {
    QString text;
    text.reserve(block.size());
    for (qsizetype i = 0; i < block.size(); ++i) {
        if (block[i] == u'<') {
            const qsizetype end = block.indexOf(u'>', i);
            FuzzExpect(end > i, "every tag is closed");
            i = end;
        } else {
            text += block[i];
        }
    }
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

bool Blank(QStringView text) {
    for (QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}

} // namespace

int FuzzScanner(const uint8_t* data, size_t size) {
    const QString source = TextOf(data, size);
    const QString page = pas2html(source, QStringLiteral("t"), &MarkerTags(), nullptr, nullptr);
    if (page.isEmpty()) {
        FuzzExpect(Blank(source), "only a blank source gives no page");
        return 0;
    }
    const QString open = QStringLiteral("<pre>\r\n");
    const qsizetype begin = page.indexOf(open);
    const qsizetype end = page.lastIndexOf(QStringLiteral("</pre>"));
    FuzzExpect(begin >= 0 && end >= begin + open.size(), "the page has its block");
    const QStringView block =
        QStringView(page).sliced(begin + open.size(), end - begin - open.size());
    QString expected = TStrings::SplitLines(source).join(QStringLiteral("\r\n"));
    expected.replace(QChar(0), QChar(0xFFFD));
    QString shown = WithoutMarkup(block);
    FuzzExpect(shown.endsWith(QStringLiteral("\r\n")), "the block's last line ends");
    shown.chop(2);
    FuzzExpect(shown == expected, "the block shows the source as it is");
    return 0;
}
