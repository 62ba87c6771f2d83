// The settings file reader: any bytes parse, every key the window reads can be looked up, a
// key written is read back as written, and the window's settings come out usable or refused
// with a message, never half-read.

#include "Exception.h"
#include "FuzzEntries.h"
#include "IniStore.h"
#include "Trim.h"
#include "WindowSettings.h"
#include "__pas2html.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The value a write must leave: line breaks become blanks, and reading trims.
QString AsRead(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return Trim(value);
}

// The settings file as the window and pas2html read it: from a file, fragments beside it.
// The file lives in memory, so that a long run costs no disk writes.
void ReadAsWindow(const QByteArray& bytes) {
    static const int fd = memfd_create("dwelk.ini", 0);
    FuzzExpect(fd >= 0 && ftruncate(fd, 0) == 0 &&
                   pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size(),
               "the scratch settings file is written");
    const QString fnINI = QStringLiteral("/proc/self/fd/%1").arg(fd);
    TStrings defaultAttr;
    htmlTextAttr_Def1(&defaultAttr);
    try {
        const TWindowSettings settings = ReadWindowSettings(fnINI, defaultAttr);
        FuzzExpect(!settings.Attr.IsEmpty(), "a tag set always comes out");
        FuzzExpect(settings.Naming.HTML_ExtFile_Index == 0 ||
                       settings.Naming.HTML_ExtFile_Index == 1,
                   "the extension is one of the two");
        CheckPageNaming(settings.Naming);
    } catch (const Exception& e) {
        FuzzExpect(!e.Message().isEmpty(), "a refusal says why");
    }
}

} // namespace

int FuzzSettingsFile(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const IniContents ini(bytes);
    using namespace SettingsKey;
    const QLatin1String keys[] = {Suffix_DFM,         Suffix_PAS,          Yes_Suffix_PAS,
                                  HTML_ExtFile_Index, Yes_HTML_after_BODY, Dir};
    for (const QLatin1String key : keys)
        for (const QLatin1String section : {HTML, FILES})
            (void)ini.Value(QString(section), QString(key));
    ini.ForEachKey(QString(HTML_Attr), [](QByteArrayView name, QByteArrayView) {
        FuzzExpect(!name.isEmpty(), "a listed key has a name");
    });
    // A value made of the input's first bytes, written into a key the file may hold already.
    const QString value = QString::fromUtf8(bytes.first(std::min<qsizetype>(bytes.size(), 24)));
    const QString section = size % 2 ? HTML : HTML_Attr;
    const QString key = size % 3 ? Suffix_PAS : QLatin1String("Bcom");
    const IniContents written(ini.WithKey(section, key, value));
    FuzzExpect(written.Value(section, key) == AsRead(value), "a key written reads back");
    ReadAsWindow(bytes);
    return 0;
}
