#pragma once
// Settings-file access and folder helpers. Every function is stateless: a settings call
// opens the file, does one operation and leaves it; nothing is cached between calls.
// Names of files, sections and keys are trimmed (characters of code 32 or less at both
// ends); a blank name never reaches the file. Bad or empty input never raises: reads give
// the default, writes do nothing. Only a file that cannot be written raises Exception
// "Unable to write to <file>".

#include "IniStore.h"
#include "TStrings.h"

#include <QString>
#include <optional>

// Values stored as text: integers in decimal, booleans as "1" and "0", strings trimmed.
// An integer reads decimal or hexadecimal ("$1F", "x1F", "0x1F"; eight digits are a 32-bit
// pattern); a boolean reads as any non-zero integer for true. Text that does not parse, an
// empty value and a missing key give `Def`.
int GetFromINI_IntegerParamDef(QString NameINI, QString NameTop, QString NameParam, int Def);
bool GetFromINI_BooleanParamDef(QString NameINI, QString NameTop, QString NameParam, bool Def);
// A present key with an empty value reads as the empty text; values read back at most
// 2047 characters long. A blank section name is allowed here and names the section "[]".
// With Yes_AllTrim the result, default included, is trimmed.
QString GetFromINI_StringParamDef(QString NameINI, QString NameTop, QString NameParam, QString Def,
                                  bool Yes_AllTrim);

void PutToINI_IntegerParam(QString NameINI, QString NameTop, QString NameParam, int I);
void PutToINI_BooleanParam(QString NameINI, QString NameTop, QString NameParam, bool B);
void PutToINI_StringParam(QString NameINI, QString NameTop, QString NameParam, QString S);

// Write only when every name is given and a probe file can be created beside the settings
// file (ItsNotReadOnlyDisk_1); true when the value was written.
bool PutToINI_IntegerParamW(QString NameINI, QString NameTop, QString NameParam, int I);
bool PutToINI_BooleanParamW(QString NameINI, QString NameTop, QString NameParam, bool B);
bool PutToINI_StringParamW(QString NameINI, QString NameTop, QString NameParam, QString S);

// Clears `List`, then fills it with one "key=value" line per key of `Section`, in file order.
void INI_ReadSectionValues(QString NameINI, QString Section, TStrings* List);
// Writes every "Name=Value" line of `List` as a key of `Section` (name and value trimmed,
// the value being the one TStrings::Values finds for the trimmed name); lines without a
// name are skipped. Keys already in the section stay. With a blank section name the whole
// list is saved as the file instead. Returns the number of keys (or lines) written.
int INI_WriteSection(QString NameINI, QString Section, TStrings* List);

// One reading of a settings file for many values, by the rules of the helpers above; each
// helper above is one of these with one lookup. A blank file name reads nothing.
class TIniFileValues {
public:
    explicit TIniFileValues(QString NameINI);
    // False when the file exists but cannot be read (a folder, a read error); a missing file
    // is readable and empty.
    bool Readable() const { return FReadable; }
    int IntegerParamDef(QString NameTop, QString NameParam, int Def) const;
    bool BooleanParamDef(QString NameTop, QString NameParam, bool Def) const;
    QString StringParamDef(QString NameTop, QString NameParam, QString Def, bool Yes_AllTrim) const;
    // The stored string, or nothing when the key is missing.
    std::optional<QString> StringParam(QString NameTop, QString NameParam, bool Yes_AllTrim) const;
    void ReadSectionValues(QString Section, TStrings* List) const;

private:
    bool FNamed = false;
    bool FReadable = true;
    IniContents FContents;
};

// Folders. Paths use "/"; a folder name may end in "/" or not.
bool DirExist(QString nDir);
// `DirName` trimmed, with the first character of `sSep` ("/" when blank) appended unless it
// already ends in it; empty for a blank name.
QString DirName_Normal_1(QString DirName, QString sSep);
// Whether the folder exists; when it does, it is shown in the desktop's file manager.
bool Dir_Open(QString Dir);
// `NameFile` itself when no file of that name exists, else the first free name of the form
// folder/name-1.ext, name-2.ext, ...; a blank name or a folder path is returned as given.
QString GetNewNameFile(QString NameFile);
// The deepest existing folder along the path, with a trailing "/"; empty when none.
QString Dir_Extract_Dir_Exist(QString nDir);
// Whether a new file can be created in the deepest existing folder of the folder part of
// the file path `DirName` (a folder path must end in "/" to be tested itself). The probe
// file never replaces an existing one and is deleted again.
bool ItsNotReadOnlyDisk_1(QString DirName);
