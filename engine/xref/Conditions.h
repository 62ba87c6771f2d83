#pragma once
// Conditional compilation as Free Pascal 3.2.2 evaluates it on Linux x86-64: its predefined
// symbols, the unit's mode and the unit's own {$DEFINE}s and {$UNDEF}s.

#include <QHash>
#include <QSet>
#include <QString>
#include <vector>

// Whether `word` reads `upper` (ASCII capitals) once in upper case as QString::toUpper() has
// it, without a copy when the word is ASCII.
bool IsUpperWord(QStringView word, const char* upper);

class TConditions {
public:
    TConditions();

    // Takes one directive's text without its brackets and "$" ("IFDEF X", "mode delphi").
    void Directive(QStringView text);

    // Code here is compiled.
    bool Active() const { return FActive; }
    // No condition around here was beyond the reader.
    bool Sure() const { return FSure; }
    bool DelphiMode() const { return FDelphi; }

private:
    enum class TTruth { No, Yes, Unknown };
    struct TFrame {
        bool OuterActive, OuterSure;
        bool Taken;   // a branch of this condition was active
        bool Unknown; // its condition could not be evaluated
    };
    void Branch(TFrame& frame, TTruth truth);
    TTruth Evaluate(QStringView expression) const;
    void SetMode(const QString& mode);

    QHash<QString, QString> FDefines; // upper case -> value ("" when it has none)
    QSet<QString> FDoubtful;          // defined or undefined in an undecided branch
    std::vector<TFrame> FFrames;
    bool FActive = true, FSure = true;
    bool FDelphi = false;
};
