// Settings-file access: typed values over the INI store.

#include "IniStore.h"
#include "IntegerText.h"
#include "Trim.h"
#include "__files.h"

namespace {

// The longest value a read gives back; a longer stored value is cut.
constexpr qsizetype MaxValueChars = 2047;

struct ValueKey {
    QString file, section, key;
    ValueKey(const QString& NameINI, const QString& NameTop, const QString& NameParam)
        : file(Trim(NameINI)), section(Trim(NameTop)), key(Trim(NameParam)) {}
    bool Complete() const { return !file.isEmpty() && !section.isEmpty() && !key.isEmpty(); }
};

QString ReadValue(const IniStore& store, QStringView section, QStringView key, const QString& def) {
    QString value = store.ReadString(section, key, def);
    value.truncate(MaxValueChars);
    return value;
}

int ReadInteger(const ValueKey& k, int def) {
    if (!k.Complete())
        return def;
    const IniStore store(k.file);
    return StrToIntDef(ReadValue(store, k.section, k.key, QString()), def);
}

void WriteText(const ValueKey& k, const QString& text) {
    if (k.Complete())
        IniStore(k.file).WriteString(k.section, k.key, text);
}

bool WritableForSettings(const ValueKey& k) {
    return k.Complete() && ItsNotReadOnlyDisk_1(k.file);
}

QString BooleanText(bool b) {
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

int GetFromINI_IntegerParamDef(QString NameINI, QString NameTop, QString NameParam, int Def) {
    return ReadInteger(ValueKey(NameINI, NameTop, NameParam), Def);
}

bool GetFromINI_BooleanParamDef(QString NameINI, QString NameTop, QString NameParam, bool Def) {
    return ReadInteger(ValueKey(NameINI, NameTop, NameParam), Def ? 1 : 0) != 0;
}

QString GetFromINI_StringParamDef(QString NameINI, QString NameTop, QString NameParam, QString Def,
                                  bool Yes_AllTrim) {
    const ValueKey k(NameINI, NameTop, NameParam);
    QString result = Def;
    if (!k.file.isEmpty() && !k.key.isEmpty())
        result = ReadValue(IniStore(k.file), k.section, k.key, Def);
    return Yes_AllTrim ? Trim(result) : result;
}

void PutToINI_IntegerParam(QString NameINI, QString NameTop, QString NameParam, int I) {
    WriteText(ValueKey(NameINI, NameTop, NameParam), QString::number(I));
}

void PutToINI_BooleanParam(QString NameINI, QString NameTop, QString NameParam, bool B) {
    WriteText(ValueKey(NameINI, NameTop, NameParam), BooleanText(B));
}

void PutToINI_StringParam(QString NameINI, QString NameTop, QString NameParam, QString S) {
    WriteText(ValueKey(NameINI, NameTop, NameParam), Trim(S));
}

bool PutToINI_IntegerParamW(QString NameINI, QString NameTop, QString NameParam, int I) {
    const ValueKey k(NameINI, NameTop, NameParam);
    if (!WritableForSettings(k))
        return false;
    WriteText(k, QString::number(I));
    return true;
}

bool PutToINI_BooleanParamW(QString NameINI, QString NameTop, QString NameParam, bool B) {
    const ValueKey k(NameINI, NameTop, NameParam);
    if (!WritableForSettings(k))
        return false;
    WriteText(k, BooleanText(B));
    return true;
}

bool PutToINI_StringParamW(QString NameINI, QString NameTop, QString NameParam, QString S) {
    const ValueKey k(NameINI, NameTop, NameParam);
    if (!WritableForSettings(k))
        return false;
    WriteText(k, Trim(S));
    return true;
}

void INI_ReadSectionValues(QString NameINI, QString Section, TStrings* List) {
    if (!List)
        return;
    List->Clear();
    const QString file = Trim(NameINI);
    const QString section = Trim(Section);
    if (file.isEmpty() || section.isEmpty())
        return;
    const IniStore store(file);
    for (const QString& key : store.ReadSectionKeys(section))
        List->Add(key + u'=' + ReadValue(store, section, key, QString()));
}

int INI_WriteSection(QString NameINI, QString Section, TStrings* List) {
    const QString file = Trim(NameINI);
    if (!List || file.isEmpty())
        return 0;
    const QString section = Trim(Section);
    if (section.isEmpty()) {
        List->SaveToFile(file);
        return static_cast<int>(List->Count());
    }
    int written = 0;
    for (const QString& line : List->Lines()) {
        const qsizetype eq = line.indexOf(u'=');
        const QString name = eq < 0 ? QString() : Trim(QStringView(line).first(eq));
        if (name.isEmpty())
            continue;
        PutToINI_StringParam(file, section, name, List->Values(name));
        ++written;
    }
    return written;
}
