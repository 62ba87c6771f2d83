#include "TStrings.h"

#include <algorithm>

#include "TextFile.h"

QString TStrings::Text() const {
    qsizetype total = 0;
    for (const QString& line : FLines)
        total += line.size() + 2;
    QString text;
    text.reserve(total);
    for (const QString& line : FLines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

QStringList TStrings::SplitLines(QStringView text) {
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.sliced(start).toString());
    return lines;
}

void TStrings::SetText(QStringView text) {
    FLines = SplitLines(text);
}

qsizetype TStrings::IndexOfName(QStringView name) const {
    for (qsizetype i = 0; i < FLines.size(); ++i) {
        const qsizetype eq = FLines[i].indexOf(u'=');
        if (eq >= 0 && QStringView(FLines[i]).first(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TStrings::Values(QStringView name) const {
    const qsizetype i = IndexOfName(name);
    if (i < 0)
        return {};
    return FLines[i].mid(FLines[i].indexOf(u'=') + 1);
}

void TStrings::LoadFromFile(const QString& fileName, TNoMark noMark) {
    const QByteArray bytes = ReadFileBytes(fileName);
    qsizetype bom = 0;
    TTextEncoding encoding = DetectEncoding(bytes, &bom);
    if (bom == 0 && noMark != TNoMark::Ansi && IsValidUtf8(bytes) &&
        (noMark == TNoMark::Utf8WhenValid ||
         std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; })))
        encoding = TTextEncoding::Utf8;
    SetText(DecodeText(QByteArrayView(bytes).sliced(bom), encoding));
    FEncoding = encoding;
}

void TStrings::SaveToFile(const QString& fileName) const {
    QByteArray bytes = ByteOrderMark(FEncoding);
    AppendEncoded(bytes, Text(), FEncoding);
    WriteFileAtomically(fileName, bytes);
}
