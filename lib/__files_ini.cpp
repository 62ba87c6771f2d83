// Settings-file access: typed values over the INI store.

#include "IniStore.h"
#include "IntegerText.h"
#include "Trim.h"
#include "__files.h"

#include <QHash>
#include <vector>

namespace {

// The longest value a read gives back; a longer stored value is cut.
constexpr qsizetype MaxValueChars = 2047;

struct ValueKey {
    QString file, section, key;
    ValueKey(const QString& NameINI, const QString& NameTop, const QString& NameParam)
        : file(Trim(NameINI)), section(Trim(NameTop)), key(Trim(NameParam)) {}
    bool Complete() const { return !file.isEmpty() && !section.isEmpty() && !key.isEmpty(); }
};

QString Cut(QString value) {
    value.truncate(MaxValueChars);
    return value;
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

TIniFileValues::TIniFileValues(QString NameINI) {
    const QString file = Trim(NameINI);
    FNamed = !file.isEmpty();
    if (FNamed)
        FContents = IniContents::Read(file, &FReadable);
}

int TIniFileValues::IntegerParamDef(QString NameTop, QString NameParam, int Def) const {
    const QString section = Trim(NameTop), key = Trim(NameParam);
    if (!FNamed || section.isEmpty() || key.isEmpty())
        return Def;
    const std::optional<QString> value = FContents.Value(section, key);
    return value ? StrToIntDef(Cut(*value), Def) : Def;
}

bool TIniFileValues::BooleanParamDef(QString NameTop, QString NameParam, bool Def) const {
    return IntegerParamDef(NameTop, NameParam, Def ? 1 : 0) != 0;
}

std::optional<QString> TIniFileValues::StringParam(QString NameTop, QString NameParam,
                                                   bool Yes_AllTrim) const {
    const QString key = Trim(NameParam);
    if (!FNamed || key.isEmpty())
        return std::nullopt;
    std::optional<QString> value = FContents.Value(Trim(NameTop), key);
    if (value)
        *value = Yes_AllTrim ? Trim(Cut(*value)) : Cut(*value);
    return value;
}

QString TIniFileValues::StringParamDef(QString NameTop, QString NameParam, QString Def,
                                       bool Yes_AllTrim) const {
    const QString result = StringParam(NameTop, NameParam, false).value_or(Cut(Def));
    return Yes_AllTrim ? Trim(result) : result;
}

void TIniFileValues::ReadSectionValues(QString Section, TStrings* List) const {
    if (!List)
        return;
    List->Clear();
    const QString section = Trim(Section);
    if (!FNamed || section.isEmpty())
        return;
    FContents.ForEachKey(section, [List](QByteArrayView name, QByteArrayView value) {
        // Most lines hold "name=value" as it stands in the file, and values no longer than
        // the cut: one decoding makes the line.
        if (value.data() == name.data() + name.size() + 1 && value.size() <= MaxValueChars)
            List->Add(QString::fromUtf8(name.data(), name.size() + 1 + value.size()));
        else
            List->Add(QString::fromUtf8(name) + u'=' + Cut(QString::fromUtf8(value)));
    });
}

int GetFromINI_IntegerParamDef(QString NameINI, QString NameTop, QString NameParam, int Def) {
    const ValueKey k(NameINI, NameTop, NameParam);
    return k.Complete() ? TIniFileValues(k.file).IntegerParamDef(k.section, k.key, Def) : Def;
}

bool GetFromINI_BooleanParamDef(QString NameINI, QString NameTop, QString NameParam, bool Def) {
    return GetFromINI_IntegerParamDef(NameINI, NameTop, NameParam, Def ? 1 : 0) != 0;
}

QString GetFromINI_StringParamDef(QString NameINI, QString NameTop, QString NameParam, QString Def,
                                  bool Yes_AllTrim) {
    const ValueKey k(NameINI, NameTop, NameParam);
    if (k.file.isEmpty() || k.key.isEmpty())
        return Yes_AllTrim ? Trim(Def) : Def;
    return TIniFileValues(k.file).StringParamDef(k.section, k.key, Def, Yes_AllTrim);
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
    if (!IsBlank(NameINI) && !IsBlank(Section))
        TIniFileValues(NameINI).ReadSectionValues(Section, List);
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
    // The value of a name is the one TStrings::Values gives: that of the first line whose
    // name, as it stands before "=", is the name letter case aside. Gathered in one pass.
    const QStringList& lines = List->Lines();
    std::vector<QString> folded(size_t(lines.size())); // each line's name as it stands
    QHash<QString, qsizetype> firstLine;
    firstLine.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (eq < 0)
            continue;
        folded[size_t(i)] = QStringView(lines[i]).first(eq).toString().toCaseFolded();
        if (firstLine.constFind(folded[size_t(i)]) == firstLine.cend())
            firstLine.insert(folded[size_t(i)], i);
    }
    std::vector<std::pair<QString, QString>> keys;
    keys.reserve(size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const qsizetype eq = line.indexOf(u'=');
        const QString name = eq < 0 ? QString() : Trim(QStringView(line).first(eq));
        if (name.isEmpty())
            continue;
        const auto first =
            firstLine.constFind(name.size() == eq ? folded[size_t(i)] : name.toCaseFolded());
        keys.emplace_back(
            name, first == firstLine.cend()
                      ? QString()
                      : Trim(QStringView(lines[*first]).sliced(lines[*first].indexOf(u'=') + 1)));
    }
    IniStore(file).WriteSection(section, keys);
    return static_cast<int>(keys.size());
}
