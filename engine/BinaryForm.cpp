#include "BinaryForm.h"

#include "Exception.h"
#include "TextCodec.h"
#include "TextFile.h"

#include <QFile>
#include <algorithm>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

enum TValueType : uchar {
    vaNull,
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,
    vaInt64,
    vaUTF8String,
    vaDouble
};

constexpr char kSignature[] = "TPF0";
constexpr int kMaxDepth = 64;          // objects, lists and collections inside each other
constexpr qsizetype kStringChunk = 64; // characters of a long string on one line
constexpr qsizetype kHexChunk = 32;    // bytes of binary data on one line
constexpr qsizetype kMaxResourceName = 256;

// Genuine forms grow a few times when written as text; anything far beyond that is a
// crafted stream, stopped before it eats the memory.
qsizetype TextLimit(qsizetype binarySize) {
    return 24 * binarySize + (1 << 20);
}

bool IsNameByte(uchar c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c >= 0x80;
}

bool IsIdentifier(QByteArrayView s, bool mayBeEmpty) {
    if (s.isEmpty())
        return mayBeEmpty;
    if (s[0] >= '0' && s[0] <= '9')
        return false;
    for (char c : s)
        if (!IsNameByte(uchar(c)))
            return false;
    return true;
}

// The windows-1251 byte of a character, or 0 when the code page lacks it.
const std::array<uchar, 65536>& UnicodeToAnsi() {
    static const std::array<uchar, 65536> table = [] {
        std::array<uchar, 65536> t{};
        const char16_t* ansi = AnsiToUnicodeTable();
        for (int b = 255; b >= 1; --b)
            t[ansi[b]] = uchar(b);
        return t;
    }();
    return table;
}

struct TStop {
    qsizetype Offset;
    QString Why;
};

// Little-endian reads over the stream, each one checked against its end.
class TStream {
public:
    TStream(QByteArrayView bytes, qsizetype pos)
        : FData(reinterpret_cast<const uchar*>(bytes.data())), FSize(bytes.size()), FPos(pos) {}

    qsizetype Pos() const { return FPos; }
    qsizetype Size() const { return FSize; }
    bool AtEnd() const { return FPos >= FSize; }

    uchar Peek() const {
        Need(1);
        return FData[FPos];
    }
    uchar Byte() {
        Need(1);
        return FData[FPos++];
    }
    QByteArrayView Take(quint64 n) {
        Need(n);
        const QByteArrayView s(FData + FPos, qsizetype(n));
        FPos += qsizetype(n);
        return s;
    }
    quint64 Unsigned(int size) {
        const QByteArrayView s = Take(quint64(size));
        quint64 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | uchar(s[i]);
        return v;
    }
    QByteArrayView ShortString() { return Take(Byte()); }
    QByteArrayView LongBytes(int unit) { return Take(Unsigned(4) * quint64(unit)); }

    [[noreturn]] void Fail(qsizetype offset, const QString& why) const { throw TStop{offset, why}; }

private:
    void Need(quint64 n) const {
        if (n > quint64(FSize - FPos))
            Fail(FSize, QStringLiteral("поток кончается раньше времени"));
    }

    const uchar* FData;
    qsizetype FSize;
    qsizetype FPos;
};

// Where the first object starts: after the signature, itself after an optional resource
// header (0xFF, type 10, a NUL-terminated name, 16-bit flags, 32-bit size); -1 when neither.
qsizetype ObjectStart(QByteArrayView b) {
    if (b.startsWith(kSignature))
        return 4;
    if (b.size() < 3 || uchar(b[0]) != 0xFF || b[1] != 0x0A || b[2] != 0)
        return -1;
    qsizetype p = 3;
    while (p < b.size() && b[p] != 0) {
        if (uchar(b[p]) < 0x20 || p - 3 >= kMaxResourceName)
            return -1;
        ++p;
    }
    p += 1 + 2 + 4;
    return p <= b.size() && b.sliced(std::min(p, b.size())).startsWith(kSignature) ? p + 4 : -1;
}

// Shortest digits that read back as the same value; always recognisable as a float.
template <typename T> QByteArray FloatText(T v, char suffix) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    QByteArray s(buf, r.ptr - buf);
    if (std::isfinite(v) && suffix == 0 && !s.contains('.') && !s.contains('e'))
        s += ".0";
    if (suffix)
        s += suffix;
    return s;
}

long double Extended(QByteArrayView s) {
    quint64 mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | uchar(s[i]);
    const int top = (uchar(s[9]) << 8) | uchar(s[8]);
    const int exponent = top & 0x7FFF;
    const bool negative = top & 0x8000;
    long double v;
    if (exponent == 0x7FFF)
        v = (mantissa << 1) == 0 ? HUGE_VALL : std::nanl("");
    else
        v = std::ldexp(static_cast<long double>(mantissa), (exponent ? exponent : 1) - 16383 - 63);
    return negative ? -v : v;
}

QByteArray CurrencyText(qint64 v) {
    const quint64 a = v < 0 ? 0 - quint64(v) : quint64(v);
    QByteArray s = v < 0 ? "-" : "";
    s += QByteArray::number(a / 10000);
    if (const quint64 frac = a % 10000) {
        QByteArray digits = QByteArray::number(frac).rightJustified(4, '0');
        while (digits.endsWith('0'))
            digits.chop(1);
        s += '.' + digits;
    }
    return s + 'c';
}

class TFormWriter {
public:
    TFormWriter(QByteArrayView bytes, qsizetype start)
        : FIn(bytes, start), FLimit(TextLimit(bytes.size())) {
        FOut.reserve(std::min<qsizetype>(2 * bytes.size() + 256, qsizetype(1) << 28));
    }

    QByteArray& Out() { return FOut; }
    TStream& In() { return FIn; }

    void Object(int depth) {
        CheckDepth(depth);
        const qsizetype at = FIn.Pos();
        int flags = 0;
        QByteArray position;
        if ((FIn.Peek() & 0xF0) == 0xF0) {
            flags = FIn.Byte() & 0x0F;
            if (flags & ~7)
                FIn.Fail(at, QStringLiteral("неверные флаги объекта"));
            if (flags & 2)
                position = IntegerValue(at);
        }
        const QByteArrayView className = Name(false);
        const QByteArrayView objectName = Name(true);
        Indent(depth);
        FOut += (flags & 1) ? "inherited " : (flags & 4) ? "inline " : "object ";
        if (!objectName.isEmpty()) {
            FOut += objectName;
            FOut += ": ";
        }
        FOut += className;
        if (flags & 2)
            FOut += " [" + position + ']';
        NewLine();
        Properties(depth + 1);
        while (FIn.Peek() != 0)
            Object(depth + 1);
        FIn.Byte();
        Indent(depth);
        FOut += "end";
        NewLine();
    }

private:
    void CheckDepth(int depth) {
        if (depth > kMaxDepth)
            FIn.Fail(FIn.Pos(), QStringLiteral("слишком глубокая вложенность"));
    }

    // A class, object or property name; control characters mean the stream is not a form.
    QByteArrayView Name(bool mayBeEmpty) {
        const qsizetype at = FIn.Pos();
        const QByteArrayView s = FIn.ShortString();
        if (s.isEmpty() && !mayBeEmpty)
            FIn.Fail(at, QStringLiteral("пустое имя класса"));
        for (char c : s)
            if (uchar(c) < 0x20)
                FIn.Fail(at, QStringLiteral("недопустимый символ в имени"));
        return s;
    }

    // The digits of an integer whose type byte was just read; false for other types.
    bool Integer(uchar type, QByteArray& text) {
        switch (type) {
        case vaInt8:
            text += QByteArray::number(qint8(FIn.Unsigned(1)));
            return true;
        case vaInt16:
            text += QByteArray::number(qint16(FIn.Unsigned(2)));
            return true;
        case vaInt32:
            text += QByteArray::number(qint32(FIn.Unsigned(4)));
            return true;
        case vaInt64:
            text += QByteArray::number(qint64(FIn.Unsigned(8)));
            return true;
        default:
            return false;
        }
    }

    QByteArray IntegerValue(qsizetype at) {
        QByteArray text;
        if (!Integer(FIn.Byte(), text))
            FIn.Fail(at, QStringLiteral("ожидалось целое число"));
        return text;
    }

    void Properties(int depth) {
        for (;;) {
            const QByteArrayView name = Name(true);
            if (name.isEmpty())
                return;
            Indent(depth);
            FOut += name;
            FOut += " = ";
            Value(depth, false);
            NewLine();
        }
    }

    // Writes a value after "Name = " or, inside a list, after the line's indentation.
    void Value(int depth, bool inList) {
        const qsizetype at = FIn.Pos();
        const uchar type = FIn.Byte();
        if (Integer(type, FOut))
            return;
        switch (type) {
        case vaNull:
            FOut += "Null";
            break;
        case vaList:
            List(depth + 1);
            break;
        case vaExtended:
            FOut += FloatText(Extended(FIn.Take(10)), 0);
            break;
        case vaString:
            Chars(FIn.ShortString(), 1, depth, inList);
            break;
        case vaIdent:
            FOut += Name(true);
            break;
        case vaFalse:
            FOut += "False";
            break;
        case vaTrue:
            FOut += "True";
            break;
        case vaBinary:
            Binary(FIn.LongBytes(1), depth);
            break;
        case vaSet:
            Set();
            break;
        case vaLString:
            Chars(FIn.LongBytes(1), 1, depth, inList);
            break;
        case vaNil:
            FOut += "nil";
            break;
        case vaCollection:
            Collection(depth + 1);
            break;
        case vaSingle: {
            float f;
            std::memcpy(&f, FIn.Take(4).data(), 4);
            FOut += FloatText(f, 's');
            break;
        }
        case vaCurrency:
            FOut += CurrencyText(qint64(FIn.Unsigned(8)));
            break;
        case vaDate:
        case vaDouble: {
            double d;
            std::memcpy(&d, FIn.Take(8).data(), 8);
            FOut += FloatText(d, type == vaDate ? 'd' : 0);
            break;
        }
        case vaWString:
            Chars(FIn.LongBytes(2), 2, depth, inList);
            break;
        case vaUTF8String: {
            const QString s = QString::fromUtf8(FIn.LongBytes(1));
            Chars(QByteArrayView(reinterpret_cast<const char*>(s.utf16()), s.size() * 2), 2, depth,
                  inList);
            break;
        }
        default:
            FIn.Fail(at, QStringLiteral("неизвестный тип значения %1").arg(type));
        }
    }

    void List(int depth) {
        CheckDepth(depth);
        FOut += '(';
        while (FIn.Peek() != vaNull) {
            NewLine();
            Indent(depth);
            Value(depth, true);
        }
        FIn.Byte();
        FOut += ')';
    }

    void Collection(int depth) {
        CheckDepth(depth);
        FOut += '<';
        while (FIn.Peek() != vaNull) {
            NewLine();
            Indent(depth);
            FOut += "item";
            if (IsInteger(FIn.Peek()))
                FOut += " [" + IntegerValue(FIn.Pos()) + ']';
            if (FIn.Peek() == vaList) // the mark that opens the item's properties
                FIn.Byte();
            NewLine();
            Properties(depth + 1);
            Indent(depth);
            FOut += "end";
        }
        FIn.Byte();
        FOut += '>';
    }

    void Set() {
        FOut += '[';
        for (bool first = true;; first = false) {
            const QByteArrayView name = Name(true);
            if (name.isEmpty())
                break;
            if (!first)
                FOut += ", ";
            FOut += name;
        }
        FOut += ']';
    }

    void Binary(QByteArrayView data, int depth) {
        FOut += '{';
        for (qsizetype i = 0; i < data.size(); i += kHexChunk) {
            NewLine();
            Indent(depth + 1);
            for (qsizetype k = i; k < std::min(i + kHexChunk, data.size()); ++k) {
                FOut += "0123456789ABCDEF"[uchar(data[k]) >> 4];
                FOut += "0123456789ABCDEF"[uchar(data[k]) & 15];
            }
        }
        FOut += '}';
    }

    // A string of `unit`-byte characters (windows-1251 bytes or UTF-16 units): quoted runs,
    // `#N` for control characters and for characters windows-1251 lacks; a long one goes on
    // lines of its own joined by " +".
    void Chars(QByteArrayView data, int unit, int depth, bool inList) {
        const qsizetype count = data.size() / unit;
        if (count <= kStringChunk) {
            Quoted(data, unit, 0, count);
            return;
        }
        if (!inList) {
            FOut.chop(1); // the blank after "="
            NewLine();
            Indent(++depth);
        }
        for (qsizetype i = 0; i < count; i += kStringChunk) {
            if (i > 0) {
                FOut += " +";
                NewLine();
                Indent(depth);
            }
            Quoted(data, unit, i, std::min(count, i + kStringChunk));
        }
    }

    void Quoted(QByteArrayView data, int unit, qsizetype from, qsizetype to) {
        const auto* b = reinterpret_cast<const uchar*>(data.data());
        const auto& toAnsi = UnicodeToAnsi();
        bool open = false;
        if (from == to)
            FOut += "''";
        for (qsizetype i = from; i < to; ++i) {
            const uint code = unit == 1 ? b[i] : uint(b[2 * i] | (b[2 * i + 1] << 8));
            const uchar ansi = unit == 1 ? uchar(code) : code < 0x80 ? uchar(code) : toAnsi[code];
            if (ansi < 0x20 || ansi == 0x7F) {
                if (open)
                    FOut += '\'';
                open = false;
                FOut += '#' + QByteArray::number(code);
                continue;
            }
            if (!open)
                FOut += '\'';
            open = true;
            if (ansi == '\'')
                FOut += '\'';
            FOut += char(ansi);
        }
        if (open)
            FOut += '\'';
    }

    static bool IsInteger(uchar type) {
        return type == vaInt8 || type == vaInt16 || type == vaInt32 || type == vaInt64;
    }

    void Indent(int depth) { FOut.append(qsizetype(2 * depth), ' '); }

    void NewLine() {
        FOut += "\r\n";
        if (FOut.size() > FLimit)
            FIn.Fail(FIn.Pos(), QStringLiteral("текст формы слишком велик"));
    }

    TStream FIn;
    QByteArray FOut;
    qsizetype FLimit;
};

} // namespace

bool IsBinaryForm(QByteArrayView bytes) {
    const qsizetype start = ObjectStart(bytes);
    if (start < 0)
        return false;
    TStream in(bytes, start);
    try {
        if ((in.Peek() & 0xF0) == 0xF0) {
            const uchar flags = in.Byte() & 0x0F;
            if (flags & ~7)
                return false;
            if (flags & 2) {
                const uchar type = in.Byte();
                const int size = type == vaInt8    ? 1
                                 : type == vaInt16 ? 2
                                 : type == vaInt32 ? 4
                                 : type == vaInt64 ? 8
                                                   : 0;
                if (size == 0)
                    return false;
                in.Take(quint64(size));
            }
        }
        return IsIdentifier(in.ShortString(), false) && IsIdentifier(in.ShortString(), true);
    } catch (const TStop&) {
        // The source ends inside the first object's header, with nothing but name characters
        // after what was read: a damaged form, not text.
        const QByteArrayView rest = bytes.sliced(std::min(in.Pos(), bytes.size()));
        return bytes.size() < kBinaryFormHeadSize &&
               std::all_of(rest.begin(), rest.end(), [](char c) { return IsNameByte(uchar(c)); });
    }
}

TBinaryFormText BinaryFormToText(QByteArrayView bytes) {
    TBinaryFormText result;
    const qsizetype start = ObjectStart(bytes);
    TFormWriter writer(bytes, std::max<qsizetype>(start, 0));
    try {
        if (start < 0)
            writer.In().Fail(0, QStringLiteral("нет сигнатуры TPF0"));
        writer.Object(0);
    } catch (const TStop& stop) {
        result.Problem = QStringLiteral("чтение двоичной формы остановлено на байте %1 из %2: %3")
                             .arg(stop.Offset)
                             .arg(bytes.size())
                             .arg(stop.Why);
        QByteArray& out = writer.Out();
        while (out.endsWith(' '))
            out.chop(1);
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += "\r\n";
        AppendEncoded(out, QStringLiteral("// Ошибка: ") + result.Problem, TTextEncoding::Ansi);
        out += "\r\n";
    }
    result.Text = std::move(writer.Out());
    return result;
}

bool BinaryFormAsText(QByteArrayView bytes, QByteArray& text, QString* problem) {
    if (!IsBinaryForm(bytes))
        return false;
    TBinaryFormText form = BinaryFormToText(bytes);
    text = std::move(form.Text);
    if (problem)
        *problem = form.Problem;
    return true;
}

bool BinaryFormAsText(QIODevice& in, const QString& inName, QBuffer& text, QString* problem) {
    // A pipe may hand over less than asked at a time: peek until the head is there or the
    // source ends.
    QByteArray head = in.peek(kBinaryFormHeadSize);
    while (head.size() < kBinaryFormHeadSize) {
        const QByteArray more = in.peek(kBinaryFormHeadSize);
        if (more.size() <= head.size())
            break;
        head = more;
    }
    if (!IsBinaryForm(head))
        return false;
    const QByteArray bytes = in.readAll();
    const auto* file = qobject_cast<const QFileDevice*>(&in);
    if (file && file->error() != QFileDevice::NoError)
        throw Exception(CannotReadMessage(inName, file->errorString()));
    TBinaryFormText form = BinaryFormToText(bytes);
    text.setData(form.Text);
    text.open(QIODevice::ReadOnly);
    if (problem)
        *problem = form.Problem;
    return true;
}

bool IsBinaryFormFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && IsBinaryForm(file.read(kBinaryFormHeadSize));
}

void LoadSourceLines(TStrings& lines, const QString& fileName) {
    if (!IsBinaryFormFile(fileName)) {
        lines.LoadFromFile(fileName, TStrings::TNoMark::Utf8WhenSource);
        return;
    }
    lines.SetText(DecodeText(BinaryFormToText(ReadFileBytes(fileName)).Text, TTextEncoding::Ansi));
    lines.SetEncoding(TTextEncoding::Ansi);
}
