// Strings put together in one allocation each: these pages are long.
#define QT_USE_QSTRINGBUILDER

#include "XrefMarks.h"

#include "FlatTable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Per ASCII code, whether it stands in a fragment as it is.
constexpr auto kUnreserved = [] {
    std::array<bool, 128> table{};
    for (unsigned c = 0; c < 128; ++c)
        table[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == '~';
    return table;
}();

bool IsUnreserved(QChar c) {
    return c.unicode() < 0x80 && kUnreserved[c.unicode()];
}

bool IsPlainId(QStringView id) {
    return std::all_of(id.begin(), id.end(), IsUnreserved);
}

// Text in an attribute, escaped as QString::toHtmlEscaped does; the plain stretches between
// are copied whole.
void AppendAttribute(QString& out, QStringView text) {
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > u'>') // letters and most else
            continue;
        const char* escaped = c == u'<'   ? "&lt;"
                              : c == u'>' ? "&gt;"
                              : c == u'&' ? "&amp;"
                              : c == u'"' ? "&quot;"
                                          : nullptr;
        if (!escaped)
            continue;
        out += text.sliced(plain, i - plain);
        out += QLatin1String(escaped);
        plain = i + 1;
    }
    out += text.sliced(plain);
}

// Per ASCII code, whether it stands in an attribute as it is.
constexpr auto kPlainInAttribute = [] {
    std::array<bool, 128> table{};
    for (unsigned c = 0; c < 128; ++c)
        table[c] = c != '<' && c != '>' && c != '&' && c != '"';
    return table;
}();

enum class TPlainIn { Attribute, Fragment };

#ifdef __SSE2__
// Writes the eight characters at `from + a` and the eight at `from + b` as bytes to the same
// places of `to` when each is ASCII that stands as it is `where`; false when one is not.
template <TPlainIn where>
bool PutPlainSixteen(const char16_t* from, qsizetype a, qsizetype b, char* to) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + a));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + b));
    // Adding 0x7F80, saturated, sets the high bit of every character past ASCII.
    const __m128i past = _mm_set1_epi16(short(0x7F80));
    const int wide =
        _mm_movemask_epi8(_mm_or_si128(_mm_adds_epu16(low, past), _mm_adds_epu16(high, past)));
    const __m128i v = _mm_packus_epi16(low, high); // exact where all are ASCII
    const auto is = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const auto within = [](__m128i x, char first, char last) {
        return _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(char(first - 1))),
                             _mm_cmplt_epi8(x, _mm_set1_epi8(char(last + 1))));
    };
    int plain;
    if constexpr (where == TPlainIn::Attribute) {
        plain = ~_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(is('<'), is('>')), _mm_or_si128(is('&'), is('"'))));
    } else {
        const __m128i letter = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z');
        // '-', '.' and the digits, without the '/' among them.
        const __m128i digitOrDot = _mm_andnot_si128(is('/'), within(v, '-', '9'));
        plain = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(letter, digitOrDot), _mm_or_si128(is('_'), is('~'))));
    }
    if ((plain & 0xFFFF) != 0xFFFF || (wide & 0xAAAA) != 0)
        return false;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to + a), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to + b), _mm_srli_si128(v, 8));
    return true;
}
#endif

// Writes `text` as bytes to `to`, which has room for them, when each of its characters is
// ASCII that stands as it is `where`; false when one is not, with what was written of no
// meaning. Ids and titles are long enough to be taken sixteen characters at a time.
template <TPlainIn where> bool PutPlain(char* to, QStringView text) {
    const qsizetype n = text.size();
    const char16_t* from = text.utf16();
#ifdef __SSE2__
    if (n >= 8) {
        // The last ones overlap those before them: written twice, the same.
        for (qsizetype i = 0; i < n; i += 16)
            if (!PutPlainSixteen<where>(from, std::min(i, n - 8), std::min(i + 8, n - 8), to))
                return false;
        return true;
    }
#endif
    const auto& plain = where == TPlainIn::Attribute ? kPlainInAttribute : kUnreserved;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = from[i];
        if (u >= 0x80 || !plain[u])
            return false;
        to[i] = char(u);
    }
    return true;
}

// The same appended to `out`, which is left as it was when false.
template <TPlainIn where> bool AppendPlain(std::string& out, QStringView text) {
    const size_t at = out.size();
    out.resize(at + size_t(text.size()));
    if (PutPlain<where>(out.data() + at, text))
        return true;
    out.resize(at);
    return false;
}

// Writes a page's tags in its encoding at the end of `out`: ASCII as it stands in an 8-bit
// page, anything else through the page's encoder a whole string at a time, as if the tags were
// encoded at once. The room is given ahead and written into; `out` ends with the last tag once
// the writer is gone.
class TTagWriter {
public:
    TTagWriter(std::string& out, TTextEncoding encoding, size_t room)
        : FOut(out), FUsed(out.size()), FEncoding(encoding),
          FBytes(encoding == TTextEncoding::Ansi || encoding == TTextEncoding::Utf8) {
        FOut.reserve(FUsed + room);
    }
    ~TTagWriter() { FOut.resize(FUsed); }
    TTagWriter(const TTagWriter&) = delete;
    TTagWriter& operator=(const TTagWriter&) = delete;

    size_t Size() const { return FUsed; }
    // What was written since `at`, taken back.
    std::string Take(size_t at) {
        std::string taken(FOut.data() + at, FUsed - at);
        FUsed = at;
        return taken;
    }

    // Bytes in the page's encoding.
    void Put(std::string_view bytes) {
        std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
        FUsed += bytes.size();
    }
    // The markup between the strings.
    void Markup(std::string_view ascii) {
        if (FBytes)
            Put(ascii);
        else
            EncodeLatin1(ascii);
    }
    void Number(int n) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        Markup(std::string_view(digits, size_t(end - digits)));
    }
    // Text that needs no escaping: a percent-encoded href, a dash.
    void Plain(QStringView text) {
        if (!FBytes || !TryPlain<TPlainIn::Attribute>(text))
            Encode(text);
    }
    void Fragment(QStringView id) {
        if (!FBytes || !TryPlain<TPlainIn::Fragment>(id))
            Plain(IdFragment(id.toString()));
    }
    // An id as an attribute, then `between` (in the page's encoding), then the id as a
    // fragment: a plain id, nearly every one, reads the same in both and is copied.
    void IdTwice(QStringView id, std::string_view between) {
        const size_t at = FUsed;
        if (!FBytes || !TryPlain<TPlainIn::Fragment>(id)) {
            Attribute(id);
            Put(between);
            Fragment(id);
            return;
        }
        const size_t length = FUsed - at;
        char* to = Room(between.size() + length); // before the copy's source is read
        std::memcpy(to, between.data(), between.size());
        std::memcpy(to + between.size(), FOut.data() + at, length);
        FUsed += between.size() + length;
    }
    void Attribute(QStringView text) {
        if (FBytes && TryPlain<TPlainIn::Attribute>(text))
            return;
        QString escaped;
        AppendAttribute(escaped, text);
        Encode(escaped);
    }

private:
    // Where `n` more bytes go: the room given ahead nearly always has them. It is taken a few
    // pages at a time, so that what is never written is never touched.
    char* Room(size_t n) {
        if (FOut.size() - FUsed < n)
            Grow(n);
        return FOut.data() + FUsed;
    }
    [[gnu::noinline]] void Grow(size_t n) {
        FOut.resize(std::max(FUsed + n, std::min(FOut.capacity(), FUsed + 8192)));
    }
    template <TPlainIn where> bool TryPlain(QStringView text) {
        if (!PutPlain<where>(Room(size_t(text.size())), text))
            return false;
        FUsed += size_t(text.size());
        return true;
    }
    // Kept apart so that the plain path of Markup, called for every tag, stays short.
    [[gnu::noinline]] void EncodeLatin1(std::string_view ascii) {
        Encode(QString::fromLatin1(ascii.data(), qsizetype(ascii.size())));
    }
    void Encode(QStringView text) {
        QByteArray bytes;
        AppendEncoded(bytes, text, FEncoding);
        Put(std::string_view(bytes.constData(), size_t(bytes.size())));
    }

    std::string& FOut;
    size_t FUsed; // of FOut: the rest is room
    TTextEncoding FEncoding;
    bool FBytes; // ASCII is itself in the page
};

} // namespace

QString IdFragment(const QString& id) {
    if (IsPlainId(id))
        return id;
    return QString::fromLatin1(QUrl::toPercentEncoding(id));
}

void AppendIdFragment(std::string& out, QStringView id) {
    if (AppendPlain<TPlainIn::Fragment>(out, id))
        return;
    const QByteArray encoded = QUrl::toPercentEncoding(id.toString());
    out.append(encoded.constData(), size_t(encoded.size()));
}

bool AppendPlainAscii(std::string& out, QStringView text) {
    return AppendPlain<TPlainIn::Attribute>(out, text);
}

QString RelativeHref(const QString& fromFolder, const QString& toFile) {
    // Most pages link into their own folder, given as an absolute path: the file's name,
    // found without cleaning either path.
    const QStringView name =
        QStringView(toFile).sliced(std::min(fromFolder.size() + 1, toFile.size()));
    if (fromFolder.startsWith(u'/') && toFile.size() > fromFolder.size() + 1 &&
        toFile.startsWith(fromFolder) && toFile[fromFolder.size()] == u'/' &&
        !name.contains(u'/') && name != u"." && name != u"..")
        return QString::fromLatin1(QUrl::toPercentEncoding(name.toString()));
    QStringList parts = QDir(fromFolder).relativeFilePath(toFile).split(u'/');
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(u'/');
}

TXrefMarks XrefMarks(const TXrefProject& project, const std::vector<TXrefPages>& pages, int unit,
                     const std::vector<TXrefLink>& links) {
    TXrefMarks result;
    result.Project = &project;
    result.Pages = &pages;
    result.Unit = unit;
    const QString folder = QFileInfo(pages[size_t(unit)].Page).path();
    result.Refs = RelativeHref(folder, pages[size_t(unit)].Refs);
    std::vector<TXrefMark> own;
    for (const TDecl& decl : project.Unit(unit).Decls)
        if (decl.Ordinal >= 0)
            own.push_back({decl.Line, decl.Ordinal, decl.Column, decl.Length, int(own.size())});
    // A declaration linked many times gets one tag, after the page's own: each tag follows
    // the ones before it. Each page linked into is reached one way. The links' marks go to the
    // end of the page's marks, the room the own ones are merged into.
    TFlatTable<quint64, int> opened(links.size() / 4);
    TFlatTable<int, int> linkedPages(64);
    auto& marks = result.Marks;
    marks.resize(own.size() + links.size());
    auto mark = marks.begin() + qsizetype(own.size());
    for (const TXrefLink& link : links) {
        const quint64 key = quint64(quint32(link.Target.Unit)) << 32 | quint32(link.Target.Decl);
        const auto [tag, added] = opened.Insert(key, key);
        if (added) {
            tag = int(own.size() + result.Targets.size());
            const auto [page, first] =
                linkedPages.Insert(link.Target.Unit, size_t(link.Target.Unit));
            if (first) {
                page = int(result.Linked.size());
                result.Linked.push_back(
                    {link.Target.Unit,
                     link.Target.Unit == unit
                         ? QString()
                         : RelativeHref(folder, pages[size_t(link.Target.Unit)].Page)});
            }
            result.Targets.push_back({link.Target, page});
        }
        *mark++ = {link.Line, link.Ordinal, link.Column, link.Length, tag};
    }
    // Both come nearly in order. A declaration's own mark comes first: its name is never also
    // a link elsewhere. Each mark is written at or before the place it is read from.
    const auto before = [](const TXrefMark& a, const TXrefMark& b) {
        return std::pair(a.Line, a.Ordinal) < std::pair(b.Line, b.Ordinal);
    };
    const auto linked = marks.begin() + qsizetype(own.size());
    if (!std::is_sorted(own.begin(), own.end(), before))
        std::stable_sort(own.begin(), own.end(), before);
    if (!std::is_sorted(linked, marks.end(), before))
        std::stable_sort(linked, marks.end(), before);
    auto next = own.cbegin();
    auto from = linked;
    auto to = marks.begin();
    const auto end = marks.end();
    while (next != own.cend() || from != end) {
        const TXrefMark taken =
            next != own.cend() && (from == end || !before(*from, *next)) ? *next++ : *from++;
        if (to == marks.begin() || before(to[-1], taken))
            *to++ = taken;
    }
    marks.erase(to, end);
    return result;
}

void EncodeXrefTags(const TXrefMarks& marks, TTextEncoding encoding, std::string& out,
                    std::vector<qsizetype>& ends) {
    if (!marks.Project)
        return;
    const TXrefProject& project = *marks.Project;
    const auto& decls = project.Unit(marks.Unit).Decls;
    // The room, given once: a declaration's tag holds its id twice, a link's tag its
    // declaration's line and source.
    size_t room = 0, count = marks.Targets.size();
    for (const TDecl& decl : decls)
        if (decl.Ordinal >= 0) {
            room += size_t(2 * decl.Id.size() + marks.Refs.size()) + 24;
            ++count;
        }
    ends.reserve(ends.size() + count);
    for (const auto& [target, page] : marks.Targets) {
        const TDecl& decl = project.Decl(target);
        room += size_t(decl.Id.size() + decl.Title.size() + marks.Linked[size_t(page)].Href.size() +
                       (*marks.Pages)[size_t(target.Unit)].Shown.size()) +
                40;
    }
    TTagWriter tags(out, encoding, room);
    // What every tag of a kind has in common is written once and copied.
    const auto once = [&tags](auto write) {
        const size_t at = tags.Size();
        write();
        return tags.Take(at);
    };
    const std::string toRefs = once([&] {
        tags.Markup("\" href=\"");
        tags.Plain(marks.Refs);
        tags.Markup("#");
    });
    std::vector<std::string> pageHrefs, pageNames;
    for (const auto& [unit, href] : marks.Linked) {
        pageHrefs.push_back(once([&] {
            tags.Markup("<a href=\"");
            tags.Plain(href);
        }));
        pageNames.push_back(once([&] {
            tags.Plain(u" — ");
            tags.Attribute((*marks.Pages)[size_t(unit)].Shown);
            tags.Markup(":");
        }));
    }
    for (const TDecl& decl : decls)
        if (decl.Ordinal >= 0) {
            tags.Markup("<a id=\"");
            tags.IdTwice(decl.Id, toRefs);
            tags.Markup("\">");
            ends.push_back(qsizetype(tags.Size()));
        }
    for (const auto& [target, page] : marks.Targets) {
        const TDecl& decl = project.Decl(target);
        tags.Put(pageHrefs[size_t(page)]);
        // A unit's page itself, as the unit links of a site give it.
        if (decl.Scope != 0 || marks.Linked[size_t(page)].Href.isEmpty()) {
            tags.Markup("#");
            tags.Fragment(decl.Id);
        }
        tags.Markup("\" title=\"");
        tags.Attribute(decl.Title);
        tags.Put(pageNames[size_t(page)]);
        tags.Number(decl.Line);
        tags.Markup("\">");
        ends.push_back(qsizetype(tags.Size()));
    }
}
