#include "PascalSample.h"

#include "TextCodec.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace {

const QStringList kIdentifiers = {"Result",  "FCount", "AName", "Sender", "Index", "Buffer",
                                  "Caption", "Items",  "Form1", "Self",   "List",  "Value"};
const QStringList kTypes = {"Integer", "string", "Double", "TObject", "Boolean", "TStrings"};

QString Statement(QRandomGenerator& rng) {
    const QString a = kIdentifiers[rng.bounded(kIdentifiers.size())];
    const QString b = kIdentifiers[rng.bounded(kIdentifiers.size())];
    switch (rng.bounded(9)) {
    case 0:
        return QStringLiteral("    if (%1 > %2) and (%3 <> nil) then")
            .arg(a)
            .arg(rng.bounded(1000))
            .arg(b);
    case 1:
        return QStringLiteral("      %1 := 'Строка №%2: ' + %3 + #13#10;")
            .arg(a)
            .arg(rng.bounded(99))
            .arg(b);
    case 2:
        return QStringLiteral("    for I := 0 to %1.Count - 1 do // обход списка").arg(a);
    case 3:
        return QStringLiteral("    %1.%2 := $%3 + %4.5;")
            .arg(a, b)
            .arg(rng.bounded(0xFFFF), 0, 16)
            .arg(rng.bounded(50));
    case 4:
        return QStringLiteral("    { Комментарий: %1 < %2 & всё } %1 := %2;").arg(a, b);
    case 5:
        return QStringLiteral("    (* старый код: %1 := %2; *)").arg(a, b);
    case 6:
        return QStringLiteral("    ShowMessage('It''s ' + IntToStr(%1) + ' of ' + %2);").arg(a, b);
    case 7:
        return QStringLiteral("    while not %1.Eof do begin Inc(%2); end;").arg(a, b);
    default:
        return QStringLiteral("    %1 := %2 div 2 mod 7 shl 1;").arg(a, b);
    }
}

QString Unit(int number, QRandomGenerator& rng) {
    QStringList lines;
    lines << QStringLiteral("unit Unit%1;").arg(number) << ""
          << "{$mode delphi}{$H+}"
          << ""
          << "interface"
          << ""
          << "uses"
          << "  SysUtils, Classes, Forms, Dialogs;"
          << ""
          << "type" << QStringLiteral("  TForm%1 = class(TForm)").arg(number) << "  private";
    for (int f = 0; f < 6; ++f)
        lines << QStringLiteral("    F%1: %2; // поле %1").arg(kIdentifiers[f], kTypes[f]);
    lines << "  public"
          << "    procedure Run(const AName: string);"
          << "  end;"
          << ""
          << "implementation"
          << ""
          << "{$R *.dfm}"
          << "";
    for (int p = 0; p < 8; ++p) {
        lines << QStringLiteral("procedure TForm%1.Run%2(const AName: string);").arg(number).arg(p)
              << "var"
              << "  I: Integer;"
              << "begin";
        const int statements = 4 + int(rng.bounded(12));
        for (int s = 0; s < statements; ++s)
            lines << Statement(rng);
        lines << "end;"
              << "";
    }
    lines << "{"
          << "  Многострочный комментарий в конце модуля."
          << "}"
          << "end."
          << "";
    return lines.join("\r\n");
}

} // namespace

QByteArray GeneratePascal(qsizetype minimumBytes) {
    QRandomGenerator rng(42);
    QByteArray bytes;
    bytes.reserve(minimumBytes + 8192);
    for (int unit = 1; bytes.size() < minimumBytes; ++unit)
        bytes += EncodeText(Unit(unit, rng), TTextEncoding::Ansi);
    return bytes;
}
