#include "HtmlEscape.h"
#include "LineScanner.h"
#include "PageFrame.h"
#include "__pas2html.h"

#include "TextBuffer.h"
#include "Trim.h"

#include <array>

namespace {

// The ten fields of the markup, in TMarkup order.
constexpr std::array<QString TDelphiToHTML::*, kMarkupCount> kMarkupFields = {
    &TDelphiToHTML::Bcom, &TDelphiToHTML::Ecom, &TDelphiToHTML::Bres, &TDelphiToHTML::Eres,
    &TDelphiToHTML::Bnum, &TDelphiToHTML::Enum, &TDelphiToHTML::Bstr, &TDelphiToHTML::Estr,
    &TDelphiToHTML::Bdir, &TDelphiToHTML::Edir};

// The markup a new converter starts with, in TMarkup order.
constexpr std::array<const char16_t*, kMarkupCount> kConstructorMarkup = {
    u"<i style=\"color: navy;\">",
    u"</i>",
    u"<b>",
    u"</b>",
    u"<span style=\"color: navy;\">",
    u"</span>",
    u"<span style=\"color: navy;\">",
    u"</span>",
    u"<span style=\"color: green;\">",
    u"</span>"};

// A converted line as 16-bit text, with the source's characters escaped as a page needs.
class TTextSink {
public:
    TTextSink(const TMarkupSet& markup, TTextBuffer& out) : FMarkup(markup), FOut(out) {}

    void Text(const char16_t* s, qsizetype n) {
        const char16_t* run = s;
        const char16_t* end = s + n;
        for (const char16_t* p = s; p != end; ++p) {
            const QStringView escape = HtmlEscape(*p);
            if (escape.isEmpty())
                continue;
            FOut.Append(run, p - run);
            FOut.Append(escape.utf16(), escape.size());
            run = p + 1;
        }
        FOut.Append(run, end - run);
    }
    void Markup(TMarkup which) { FOut.Append(FMarkup[size_t(which)]); }

private:
    const TMarkupSet& FMarkup;
    TTextBuffer& FOut;
};

} // namespace

TDelphiToHTML::TDelphiToHTML() {
    LoadReservList();
    for (const char* d = kDelimiters; *d; ++d)
        DelimSet.set(uchar(*d));
    for (size_t i = 0; i < kMarkupCount; ++i)
        this->*kMarkupFields[i] = QString::fromUtf16(kConstructorMarkup[i]);
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

bool TDelphiToHTML::IsReservWord(QStringView S) const {
    return TWordClassifier::IsReservedText(S);
}

bool TDelphiToHTML::IsValue(QStringView S) {
    return IsNumberWord(S.utf16(), S.size());
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
    for (size_t i = 0; i < kMarkupCount; ++i) {
        const QString value = Trim(ListAttr->Values(QStringView(kMarkupNames[i])));
        if (!value.isEmpty())
            this->*kMarkupFields[i] = value;
    }
}

TMarkupSet TDelphiToHTML::MarkupSet() const {
    TMarkupSet markup;
    for (size_t i = 0; i < kMarkupCount; ++i)
        markup[i] = this->*kMarkupFields[i];
    return markup;
}

QString TDelphiToHTML::ConvertInFrame(QStringView text, const TPageFrame& frame) {
    DelphiList.SetText(text);
    HTMLList.Clear();
    if (DelphiList.IsEmpty())
        return {};
    HTMLList.Lines() = frame.Head;
    // A text's 16-bit units are its characters; the encoding matters only for byte lines.
    TLineScanner<char16_t> scanner(TTextEncoding::Utf16LE);
    const TMarkupSet markup = MarkupSet();
    TTextBuffer converted;
    TTextSink sink(markup, converted);
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
