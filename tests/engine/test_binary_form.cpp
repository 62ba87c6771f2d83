// Forms saved in binary: Free Pascal-made fixtures against the texts they were made from,
// value types Free Pascal never writes, detection, damaged and random streams, and the
// engine's file form reading a binary form as its text.

#include "BinaryForm.h"
#include "TextCodec.h"
#include "__pas2html.h"

#include "FormBytes.h"
#include "TestFiles.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

namespace {

QString Forms() {
    return QStringLiteral(DWELK_TEST_DATA "/forms/");
}

// A form of class TF named F with the one property P holding `value` (type byte included).
QByteArray OneProperty(const QByteArray& value) {
    return "TPF0" + Short("TF") + Short("F") + Short("P") + value + QByteArray(2, '\0');
}

QByteArray OnePropertyText(const QByteArray& value) {
    return "object F: TF\r\n  P = " + value + "\r\nend\r\n";
}

QByteArray Wide(QStringView s) {
    return Le(quint64(s.size()), 4) +
           QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

template <typename T> QByteArray Raw(T v) {
    QByteArray b(sizeof v, '\0');
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

} // namespace

class TestBinaryForm : public QObject {
    Q_OBJECT
private slots:
    void fixtures_data();
    void fixtures();
    void values_data();
    void values();
    void detection_data();
    void detection();
    void damaged_data();
    void damaged();
    void everyTruncationStops();
    void randomBytes();
    void fileFormConvertsTheText();
    void fileFormWritesDamagedPage();
};

void TestBinaryForm::fixtures_data() {
    QTest::addColumn<QString>("binary");
    QTest::addColumn<QString>("text");
    QTest::newRow("raw") << "main.dfm"
                         << "main.txt";
    QTest::newRow("resource header") << "main_res.dfm"
                                     << "main.txt";
    QTest::newRow("wide string") << "wide.dfm"
                                 << "wide.expected";
    QTest::newRow("wide string, resource header") << "wide_res.dfm"
                                                  << "wide.expected";
}

void TestBinaryForm::fixtures() {
    QFETCH(QString, binary);
    QFETCH(QString, text);
    const QByteArray bytes = ReadBytes(Forms() + binary);
    QVERIFY(IsBinaryForm(bytes));
    const TBinaryFormText form = BinaryFormToText(bytes);
    QCOMPARE(form.Problem, QString());
    QCOMPARE(form.Text, ReadBytes(Forms() + text));
}

void TestBinaryForm::values_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("int8") << ("\x02" + Le(0x80, 1)) << QByteArray("-128");
    QTest::newRow("int16") << ("\x03" + Le(0x8000, 2)) << QByteArray("-32768");
    QTest::newRow("int32") << ("\x04" + Le(0xFFFFFFFF, 4)) << QByteArray("-1");
    QTest::newRow("int64") << ("\x13" + Le(0x8000000000000000, 8))
                           << QByteArray("-9223372036854775808");
    QTest::newRow("single") << ("\x0F" + Raw(0.1f)) << QByteArray("0.1s");
    QTest::newRow("double") << ("\x15" + Raw(0.1)) << QByteArray("0.1");
    QTest::newRow("double, whole") << ("\x15" + Raw(-2.0)) << QByteArray("-2.0");
    QTest::newRow("date") << ("\x11" + Raw(45000.25)) << QByteArray("45000.25d");
    QTest::newRow("currency") << ("\x10" + Le(quint64(-123450), 8)) << QByteArray("-12.345c");
    QTest::newRow("currency, whole") << ("\x10" + Le(30000, 8)) << QByteArray("3c");
    QTest::newRow("currency, smallest")
        << ("\x10" + Le(0x8000000000000000, 8)) << QByteArray("-922337203685477.5808c");
    QTest::newRow("extended 1/3") << ("\x05" + Le(0xAAAAAAAAAAAAAAAB, 8) + Le(0x3FFD, 2))
                                  << QByteArray("0.33333333333333333334");
    QTest::newRow("utf-8 string") << ("\x14" + Le(7, 4) + "\xD0\x9F\xE2\x98\x83x'")
                                  << QByteArray("'\xCF'#9731'x'''");
    QTest::newRow("wide, control and surrogates")
        << ("\x12" + Wide(u"a\r\U0001F600")) << QByteArray("'a'#13#55357#56832");
    QTest::newRow("long string, split")
        << ("\x0C" + Le(70, 4) + QByteArray(70, 'a'))
        << "\r\n    '" + QByteArray(64, 'a') + "' +\r\n    'aaaaaa'";
    QTest::newRow("ansi string keeps windows-1251")
        << QByteArray("\x06\x03\xCF\x98\x7F") << QByteArray("'\xCF\x98'#127");
    QTest::newRow("empty list") << QByteArray("\x01\x00", 2) << QByteArray("()");
    QTest::newRow("empty set") << QByteArray("\x0B\x00", 2) << QByteArray("[]");
    QTest::newRow("empty binary") << ("\x0A" + Le(0, 4)) << QByteArray("{}");
    QTest::newRow("empty collection") << QByteArray("\x0E\x00", 2) << QByteArray("<>");
    QTest::newRow("collection item with index")
        << ("\x0E\x02\x07\x01" + Short("W") + "\x02\x05" + QByteArray(2, '\0'))
        << QByteArray("<\r\n    item [7]\r\n      W = 5\r\n    end>");
    QTest::newRow("long string in a list")
        << ("\x01\x0C" + Le(65, 4) + QByteArray(65, 'b') + '\0')
        << "(\r\n    '" + QByteArray(64, 'b') + "' +\r\n    'b')";
    QTest::newRow("binary") << ("\x0A" + Le(2, 4) + "\xAB\x01") << QByteArray("{\r\n    AB01}");
    QTest::newRow("nil") << QByteArray("\x0D") << QByteArray("nil");
}

void TestBinaryForm::values() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, text);
    const TBinaryFormText form = BinaryFormToText(OneProperty(value));
    QCOMPARE(form.Problem, QString());
    QCOMPARE(form.Text, OnePropertyText(text).replace("= \r\n", "=\r\n"));
}

void TestBinaryForm::detection_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isForm");
    const QByteArray form = "TPF0" + Short("TF") + Short("F") + QByteArray(2, '\0');
    QTest::newRow("raw") << form << true;
    QTest::newRow("text beginning with the signature")
        << QByteArray("TPF0\r\nobject Form1: TForm1\r\nend\r\n") << false;
    QTest::newRow("signature and a word") << QByteArray("TPF0 is the signature") << false;
    // Cut inside the first header: a damaged form, never text with control bytes.
    QTest::newRow("signature alone") << QByteArray("TPF0") << true;
    QTest::newRow("class name cut") << QByteArray("TPF0\x05TFo") << true;
    QTest::newRow("object name cut") << ("TPF0" + Short("TF") + "\x04Fo") << true;
    QTest::newRow("cut after the flags") << QByteArray("TPF0\xF3\x02") << true;
    QTest::newRow("class name starts with a digit") << ("TPF0" + Short("1F") + Short("")) << false;
    QTest::newRow("inherited with position")
        << ("TPF0\xF3\x02\x01" + Short("TF") + Short("")) << true;
    QTest::newRow("position not an integer")
        << ("TPF0\xF2\x06\x01" + Short("TF") + Short("")) << false;
    QTest::newRow("unknown flag") << ("TPF0\xF8" + Short("TF") + Short("")) << false;
    QTest::newRow("resource header")
        << ("\xFF\x0A" + QByteArray(1, '\0') + "TF" + QByteArray(1, '\0') + Le(0x1030, 2) +
            Le(quint64(form.size()), 4) + form)
        << true;
    QTest::newRow("resource header without signature")
        << ("\xFF\x0A" + QByteArray(1, '\0') + "TF" + QByteArray(7, '\0') + "XXXX") << false;
    QTest::newRow("utf-16 text") << QByteArray("\xFF\xFE\x54\x00") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestBinaryForm::detection() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isForm);
    QCOMPARE(IsBinaryForm(bytes), isForm);
    QByteArray text;
    QCOMPARE(BinaryFormAsText(bytes, text), isForm);
}

void TestBinaryForm::damaged_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("textStart"); // what was read before the stop
    QTest::addColumn<QString>("why");
    const QByteArray head = "TPF0" + Short("TF") + Short("F");
    QTest::newRow("unknown value type") << (head + Short("A") + "\x02\x01" + Short("B") + "\x63")
                                        << QByteArray("object F: TF\r\n  A = 1\r\n  B =")
                                        << "на байте 15 из 16: неизвестный тип значения 99";
    QTest::newRow("string longer than the stream")
        << (head + Short("S") + "\x0C" + Le(0xFFFFFFFF, 4) + "abc")
        << QByteArray("object F: TF\r\n  S =")
        << "на байте 19 из 19: поток кончается раньше времени";
    QTest::newRow("no end of children")
        << (head + '\0') << QByteArray("object F: TF\r\n") << "поток кончается раньше времени";
    QTest::newRow("control character in a name")
        << (head + Short("A\nB") + "\x08") << QByteArray("object F: TF\r\n")
        << "недопустимый символ в имени";
    QTest::newRow("lists nested too deep")
        << (head + Short("L") + QByteArray(100, '\x01')) << QByteArray("object F: TF\r\n  L = (")
        << "слишком глубокая вложенность";
}

void TestBinaryForm::damaged() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, textStart);
    QFETCH(QString, why);
    QVERIFY(IsBinaryForm(bytes));
    const TBinaryFormText form = BinaryFormToText(bytes);
    QVERIFY2(form.Problem.endsWith(why), qPrintable(form.Problem));
    QVERIFY2(form.Text.startsWith(textStart), form.Text.constData());
    const QList<QByteArray> lines = form.Text.split('\n');
    QCOMPARE(lines.last(), QByteArray()); // the last line ends too
    QCOMPARE(DecodeText(lines[lines.size() - 2], TTextEncoding::Ansi),
             "// Ошибка: " + form.Problem + '\r');
}

// Every cut of a real form is a form that stops; none is taken for complete.
void TestBinaryForm::everyTruncationStops() {
    const QByteArray bytes = ReadBytes(Forms() + "main_res.dfm");
    const QByteArray whole = BinaryFormToText(bytes).Text;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        const TBinaryFormText form = BinaryFormToText(bytes.first(n));
        QVERIFY2(!form.Problem.isEmpty(), qPrintable(QString::number(n)));
        // Whole lines read before the stop are the complete form's lines.
        const QByteArray before = form.Text.first(form.Text.lastIndexOf("//"));
        const QByteArray lines = before.first(before.lastIndexOf('\n', before.size() - 2) + 1);
        QVERIFY2(whole.startsWith(lines), qPrintable(QString::number(n)));
    }
}

// Random bytes behind a valid header, and random changes to a real form: no crash, and
// the text stays within bounds. Run under the sanitizers in a separate build to mean more.
void TestBinaryForm::randomBytes() {
    QRandomGenerator random(18);
    const QByteArray real = ReadBytes(Forms() + "main.dfm");
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        if (round % 2) {
            bytes = real;
            for (int k = random.bounded(1, 8); k > 0; --k)
                bytes[random.bounded(4, int(bytes.size()))] = char(random.bounded(256));
        } else {
            bytes = "TPF0" + Short("TF") + Short("F");
            for (int k = random.bounded(200); k > 0; --k)
                bytes += char(random.bounded(24));
        }
        const TBinaryFormText form = BinaryFormToText(bytes);
        QVERIFY(!form.Text.isEmpty());
        QVERIFY(form.Text.size() < 24 * bytes.size() + (1 << 20) + 1024);
        QVERIFY(!form.Text.contains('\0'));
    }
}

void TestBinaryForm::fileFormConvertsTheText() {
    QTemporaryDir dir;
    const QString textPage = dir.filePath("text.htm"), formPage = dir.filePath("form.htm");
    QVERIFY(
        FilePas_2_FileHtml(Forms() + "main.txt", textPage, "t", nullptr, nullptr, nullptr, false));
    QString problem = "untouched";
    QVERIFY(FilePas_2_FileHtml(Forms() + "main_res.dfm", formPage, "t", nullptr, nullptr, nullptr,
                               false, &problem));
    QCOMPARE(problem, QString());
    QCOMPARE(ReadBytes(formPage), ReadBytes(textPage));

    TStrings lines;
    LoadSourceLines(lines, Forms() + "main.dfm");
    TStrings text;
    text.LoadFromFile(Forms() + "main.txt");
    QCOMPARE(lines.Text(), text.Text());
}

void TestBinaryForm::fileFormWritesDamagedPage() {
    QTemporaryDir dir;
    const QByteArray bytes = ReadBytes(Forms() + "main.dfm");
    WriteBytes(dir.filePath("cut.dfm"), bytes.first(bytes.size() / 2));
    QString problem;
    QVERIFY(FilePas_2_FileHtml(dir.filePath("cut.dfm"), dir.filePath("cut.htm"), "t", nullptr,
                               nullptr, nullptr, false, &problem));
    QVERIFY(problem.contains("поток кончается раньше времени"));
    const QString page = DecodeText(ReadBytes(dir.filePath("cut.htm")), TTextEncoding::Ansi);
    QVERIFY(page.contains("object fMain: TfMain"));
    QVERIFY(page.contains("// Ошибка: " + problem));
}

QTEST_APPLESS_MAIN(TestBinaryForm)
#include "test_binary_form.moc"
