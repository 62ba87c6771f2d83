#include "LineScanner.h"
#include "PageFrame.h"
#include "__pas2html.h"

#include "TextBuffer.h"
#include "Trim.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::array<const char*, 59> kReservedWords = {
    "#language",    "constructor", "string",   "destructor", "uses",      "inherited",
    "var",          "begin",       "type",     "end",        "class",     "if",
    "record",       "then",        "array",    "else",       "of",        "with",
    "set",          "do",          "in",       "for",        "out",       "to",
    "case",         "while",       "until",    "repeat",     "end.",      "downto",
    "private",      "stdcall",     "public",   "overload",   "published", "override",
    "procedure",    "unit",        "function", "interface",  "try",       "implementation",
    "except",       "property",    "virtual",  "const",      "asm",       "initialization",
    "finalization", "packed",      "nil",      "finally",    "or",        "and",
    "not",          "mod",         "div",      "shr",        "shl"};

constexpr char kDelimiters[] = " '()*+,-/:;=@[]";
constexpr qsizetype kLongestReservedWord = 14;

// The reserved words grouped by length and first letter, each padded with zeros to 16
// bytes, so a word is compared, as two 64-bit numbers, with the one or two entries that
// can match instead of all of them.
class TReservedIndex {
public:
    TReservedIndex() {
        std::vector<std::pair<size_t, const char*>> sorted;
        for (const char* entry : kReservedWords)
            sorted.emplace_back(Key(std::strlen(entry), entry[0]), entry);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        for (const auto& [key, entry] : sorted) {
            if (FCount[key]++ == 0)
                FStart[key] = uchar(FEntries.size());
            TPadded padded{};
            std::memcpy(padded.data(), entry, std::strlen(entry));
            FEntries.push_back(Load(padded.data()));
        }
    }
    // Whether a reserved word of this length starts with this character in either case.
    bool MayStart(qsizetype length, unsigned char first) const {
        if (length < 1 || length > kLongestReservedWord || first >= 128)
            return false;
        return FCount[Key(size_t(length), char(first >= 'A' && first <= 'Z' ? first + 32 : first))];
    }
    // `word` is lower-case ASCII, padded with zeros to 16 bytes.
    bool Contains(const char* word, qsizetype length) const {
        if (length < 1 || length > kLongestReservedWord)
            return false;
        const size_t key = Key(size_t(length), word[0]);
        const auto w = Load(word);
        for (int k = FStart[key], end = k + FCount[key]; k < end; ++k)
            if (FEntries[size_t(k)] == w)
                return true;
        return false;
    }

private:
    using TPadded = std::array<char, 16>;
    static std::pair<quint64, quint64> Load(const char* p) {
        quint64 a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        return {a, b};
    }
    static size_t Key(size_t length, char first) { return length * 128 + (uchar(first) & 127); }
    std::array<uchar, (kLongestReservedWord + 1) * 128> FStart{}, FCount{};
    std::vector<std::pair<quint64, quint64>> FEntries;
};

const TReservedIndex gReserved;

// `word`: lower-case ASCII, padded with zeros to 16 bytes.
bool IsReservedLower(const char* word, qsizetype length) {
    return gReserved.Contains(word, length);
}

// A converted line as 16-bit text, with "<", ">", "&" and NUL written as a page needs.
class TTextSink {
public:
    TTextSink(const TDelphiToHTML& converter, TTextBuffer& out)
        : FMarkup{&converter.Bcom, &converter.Ecom, &converter.Bres, &converter.Eres,
                  &converter.Bnum, &converter.Enum, &converter.Bstr, &converter.Estr,
                  &converter.Bdir, &converter.Edir},
          FConverter(converter), FOut(out) {}

    void Text(const char16_t* s, qsizetype n) {
        const char16_t* run = s;
        const char16_t* end = s + n;
        for (const char16_t* p = s; p != end; ++p) {
            const char16_t c = *p;
            if (c != u'<' && c != u'>' && c != u'&' && c != 0)
                continue;
            FOut.Append(run, p - run);
            if (c == 0)
                FOut.Append(u"\xFFFD", 1);
            else if (c == u'&')
                FOut.Append(u"&amp;", 5);
            else
                FOut.Append(c == u'<' ? u"&lt;" : u"&gt;", 4);
            run = p + 1;
        }
        FOut.Append(run, end - run);
    }
    void Markup(TMarkup which) { FOut.Append(*FMarkup[size_t(which)]); }
    bool IsReserved(const char16_t* word, qsizetype n) const {
        return FConverter.IsReservWord(QStringView(word, n));
    }

private:
    std::array<const QString*, 10> FMarkup;
    const TDelphiToHTML& FConverter;
    TTextBuffer& FOut;
};

bool IsHexOrNumberChar(char16_t c) {
    return c == u'#' || c == u'$' || c == u'.' || (c >= u'0' && c <= u'9') ||
           (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

} // namespace

TDelphiToHTML::TDelphiToHTML() {
    LoadReservList();
    for (const char* d = kDelimiters; *d; ++d)
        DelimSet.set(uchar(*d));
    Bcom = QStringLiteral("<i style=\"color: navy;\">");
    Ecom = QStringLiteral("</i>");
    Bres = QStringLiteral("<b>");
    Eres = QStringLiteral("</b>");
    Bnum = QStringLiteral("<span style=\"color: navy;\">");
    Enum = QStringLiteral("</span>");
    Bstr = QStringLiteral("<span style=\"color: navy;\">");
    Estr = QStringLiteral("</span>");
    Bdir = QStringLiteral("<span style=\"color: green;\">");
    Edir = QStringLiteral("</span>");
}

void TDelphiToHTML::LoadReservList() {
    for (const char* word : kReservedWords)
        ReservList.Add(QString::fromLatin1(word));
}

QString TDelphiToHTML::GetWord(int nByte, const QString& S) const {
    if (nByte < 1 || nByte > S.size())
        return {};
    qsizetype end = nByte - 1;
    while (end < S.size() && !IsDelimiter(S[end].unicode()))
        ++end;
    return S.mid(nByte - 1, end - (nByte - 1));
}

TAsciiWord ReservedAsciiWord(const unsigned char* word, qsizetype n, bool oneBytePerCharacter) {
    // Even in UTF-8 a longer word has more characters than any reserved word. In
    // windows-1251 no character above ASCII lower-cases to an ASCII letter.
    if (n < 1 || n > 3 * kLongestReservedWord ||
        (oneBytePerCharacter && !gReserved.MayStart(n, word[0])))
        return TAsciiWord::No;
    char lower[16] = {};
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = word[i];
        if (c >= 128)
            return TAsciiWord::NotAscii;
        if (i < kLongestReservedWord)
            lower[i] = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return n <= kLongestReservedWord && IsReservedLower(lower, n) ? TAsciiWord::Yes
                                                                  : TAsciiWord::No;
}

bool TDelphiToHTML::IsReservWord(QStringView S) const {
    if (S.isEmpty())
        return false;
    char lower[16] = {};
    bool ascii = S.size() <= kLongestReservedWord;
    for (qsizetype i = 0; ascii && i < S.size(); ++i) {
        const char16_t c = S[i].unicode();
        if (c >= 128)
            ascii = false;
        else
            lower[i] = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    if (ascii)
        return IsReservedLower(lower, S.size());
    // Only the Kelvin sign and the dotted capital I lower-case to ASCII letters; any other
    // character above ASCII keeps the word from matching.
    for (QChar c : S)
        if (c.unicode() >= 128 && c.unicode() != 0x212A && c.unicode() != 0x0130)
            return false;
    const QString folded = S.toString().toLower();
    if (folded.size() > kLongestReservedWord)
        return false;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        if (folded[i].unicode() >= 128)
            return false;
        lower[i] = char(folded[i].unicode());
    }
    return IsReservedLower(lower, folded.size());
}

bool TDelphiToHTML::IsValue(QStringView S) {
    if (S.isEmpty() || S == u".")
        return false;
    const char16_t first = S[0].unicode();
    if (!(first == u'#' || first == u'$' || first == u'.' || (first >= u'0' && first <= u'9')))
        return false;
    for (qsizetype i = 1; i < S.size(); ++i)
        if (!IsHexOrNumberChar(S[i].unicode()))
            return false;
    return true;
}

void TDelphiToHTML::ReplaceText(int CharNum, const QString& OldText, const QString& NewText,
                                QString& Text) {
    if (CharNum < 1)
        return;
    Text.remove(CharNum - 1, OldText.size());
    Text.insert(CharNum - 1, NewText);
}

void TDelphiToHTML::LoadTagSet(const TStrings* ListAttr) {
    if (!ListAttr)
        return;
    const std::array<std::pair<const char16_t*, QString*>, 10> fields = {{
        {u"Bcom", &Bcom},
        {u"Ecom", &Ecom},
        {u"Bres", &Bres},
        {u"Eres", &Eres},
        {u"Bnum", &Bnum},
        {u"Enum", &Enum},
        {u"Bstr", &Bstr},
        {u"Estr", &Estr},
        {u"Bdir", &Bdir},
        {u"Edir", &Edir},
    }};
    for (const auto& [name, field] : fields) {
        const QString value = Trim(ListAttr->Values(QStringView(name)));
        if (!value.isEmpty())
            *field = value;
    }
}

QString TDelphiToHTML::ConvertInFrame(QStringView text, const TPageFrame& frame) {
    DelphiList.SetText(text);
    HTMLList.Clear();
    if (DelphiList.IsEmpty())
        return {};
    HTMLList.Lines() = frame.Head;
    TLineScanner<char16_t> scanner(*this);
    TTextBuffer converted;
    TTextSink sink(*this, converted);
    for (const QString& line : DelphiList.Lines()) {
        scanner.ConvertLine(reinterpret_cast<const char16_t*>(line.constData()), line.size(), sink);
        HTMLList.Add(converted.Take());
    }
    HTMLList.Lines() += frame.Tail;
    return HTMLList.Text();
}

QString TDelphiToHTML::Convert2(const QString& pasText, const QString& sTitle,
                                const QString& sTextBodyAfter, const QString& sTextBodyEndBefore) {
    return ConvertInFrame(pasText, TPageFrame::Titled(sTitle, sTextBodyAfter, sTextBodyEndBefore));
}

QString TDelphiToHTML::Convert(const QString& DelphiText, bool GenHTMLPage) {
    return ConvertInFrame(DelphiText, TPageFrame::Standalone(GenHTMLPage));
}
