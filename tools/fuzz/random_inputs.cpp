// A seeded random run over the fuzz entry functions (the code browser's takes every fourth
// input, the others the rest). Input N of seed S is the same on every machine, so a finding is
// repeated with `--seed S --only N`, and `--save FILE` keeps that input for a debugger or a
// libFuzzer target. Inputs are built from Pascal, binary form and settings file pieces, random
// bytes, and mutations of the files in the corpus folders given.
//
//   random_inputs [--seed S] [--from N] [--count N] [--only N] [--entry NAME] [--save FILE]
//                 [CORPUS-FOLDER...]
// --from and --count choose a range of inputs, so that several processes share one run.

#include "FuzzEntries.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

using TEntry = int (*)(const uint8_t*, size_t);
struct TNamedEntry {
    const char* Name;
    TEntry Run;
    bool Turn; // takes only the inputs whose number is a multiple of kTurn, the others none
};
// The code browser's entry costs about as much as the others together: it takes a quarter of
// the inputs from them, and a run of a given count takes about as long as before it.
constexpr unsigned long long kTurn = 4;
const TNamedEntry Entries[] = {{"binary_form", FuzzBinaryForm, false},
                               {"page_writer", FuzzPageWriter, false},
                               {"scanner", FuzzScanner, false},
                               {"settings_file", FuzzSettingsFile, false},
                               {"xref", FuzzXref, true}};

// Where the run is, for the report of a finding.
unsigned long long gSeed = 0;
unsigned long long gIndex = 0;
const char* gEntry = nullptr;

void TellWhere() {
    static bool told = false; // a sanitizer's report ends in an abort, which tells again
    if (std::exchange(told, true))
        return;
    if (!gEntry) {
        std::fprintf(stderr, "random_inputs: finding after the last input of seed %llu\n", gSeed);
        return;
    }
    std::fprintf(stderr,
                 "random_inputs: finding in entry %s at input %llu of seed %llu; repeat with "
                 "--seed %llu --only %llu --entry %s and the same corpus folders\n",
                 gEntry, gIndex, gSeed, gSeed, gIndex, gEntry);
}

void OnAbort(int) {
    TellWhere();
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

QByteArray Bytes(const char* text, size_t size) {
    return QByteArray(text, qsizetype(size));
}

template <size_t N> QByteArray Piece(const char (&text)[N]) {
    return Bytes(text, N - 1);
}

// Pieces the entries give meaning to, so that random inputs reach past the first checks.
const QList<QByteArray>& Dictionary() {
    static const QList<QByteArray> pieces = {
        // Pascal
        Piece("unit "), Piece("program "), Piece("uses "), Piece(" in '"), Piece("begin"),
        Piece("end."), Piece("end;"), Piece("asm "), Piece("string"), Piece("object "),
        Piece("inherited "), Piece("{"), Piece("}"), Piece("(*"), Piece("*)"), Piece("//"),
        Piece("{$"), Piece("{$R *.dfm}"), Piece("'"), Piece("''"), Piece("#13"), Piece("#$0A"),
        Piece("$FF"), Piece("1.5e3"), Piece("1e"), Piece("12"), Piece("."), Piece(".."), Piece(","),
        Piece(";"), Piece(":="), Piece("&"), Piece("<"), Piece(">"), Piece("\""), Piece("\r\n"),
        Piece("\n"), Piece("\r"), Piece("\t"), Piece(" "), Piece("\0"), Piece("\xA8\xB8"),
        Piece("\xD0\x81\xD1\x91"), Piece("\xF0\x9F\x98\x80"), Piece("\xFF"), Piece("\xC0"),
        Piece("\xED\xA0\x80"),
        // byte-order marks
        Piece("\xEF\xBB\xBF"), Piece("\xFF\xFE"), Piece("\xFE\xFF"),
        // binary forms: signature, resource header, value types and lengths
        Piece("TPF0"), Piece("\xFF\x0A\x00"), Piece("\x00"), Piece("\x01"), Piece("\x02"),
        Piece("\x03"), Piece("\x04"), Piece("\x05"), Piece("\x06"), Piece("\x07"), Piece("\x08"),
        Piece("\x09"), Piece("\x0A"), Piece("\x0B"), Piece("\x0C"), Piece("\x0E"), Piece("\x12"),
        Piece("\x13"), Piece("\x14"),
        Piece("\x06\x05"
              "Form1"),
        Piece("\x05TForm"), Piece("\xF0"), Piece("\xFF\xFF\xFF\x7F"), Piece("\x00\x00\x00\x80"),
        // settings file
        Piece("[HTML]"), Piece("[FILES]"), Piece("[HTML_Attr]"), Piece("[html]"),
        Piece("Suffix_PAS="), Piece("Suffix_DFM=/x"), Piece("Yes_Suffix_PAS=1"),
        Piece("Yes_HTML_after_BODY=1"), Piece("HTML_ExtFile_Index="), Piece("Dir="),
        Piece("Bcom=<i>"), Piece("Ecom="), Piece("="), Piece(" = "), Piece("-1"),
        Piece("99999999999")};
    return pieces;
}

class TInputs {
public:
    explicit TInputs(std::vector<QByteArray> corpus) : FCorpus(std::move(corpus)) {}

    QByteArray Make(unsigned long long seed, unsigned long long index) {
        std::seed_seq where{seed, index};
        FRandom.seed(where);
        if (!FCorpus.empty() && Below(3) == 0)
            return Mutated(FCorpus[Below(FCorpus.size())]);
        QByteArray input;
        const size_t length = Length();
        while (size_t(input.size()) < length)
            Append(input);
        return input;
    }

private:
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(FRandom); }

    // Mostly short inputs, now and then a long one.
    size_t Length() {
        const size_t kind = Below(100);
        return kind < 50   ? Below(65)
               : kind < 85 ? Below(513)
               : kind < 99 ? Below(4097)
                           : Below(32769);
    }

    void Append(QByteArray& input) {
        const size_t kind = Below(100);
        if (kind < 45) {
            input += Dictionary()[qsizetype(Below(size_t(Dictionary().size())))];
        } else if (kind < 70) {
            for (size_t n = 1 + Below(8); n > 0; --n)
                input += char(Below(256));
        } else if (kind < 85 && !input.isEmpty()) {
            const size_t from = Below(size_t(input.size()));
            input += input.mid(qsizetype(from), qsizetype(1 + Below(64)));
        } else {
            for (size_t n = 1 + Below(16); n > 0; --n)
                input += char(32 + Below(95));
        }
    }

    QByteArray Mutated(QByteArray input) {
        for (size_t n = 1 + Below(8); n > 0; --n) {
            const size_t at = input.isEmpty() ? 0 : Below(size_t(input.size()));
            switch (Below(5)) {
            case 0:
                if (!input.isEmpty())
                    input[qsizetype(at)] = char(Below(256));
                break;
            case 1:
                input.insert(qsizetype(at),
                             Dictionary()[qsizetype(Below(size_t(Dictionary().size())))]);
                break;
            case 2:
                input.remove(qsizetype(at), qsizetype(1 + Below(32)));
                break;
            case 3:
                input.insert(qsizetype(at), input.mid(qsizetype(at), qsizetype(1 + Below(64))));
                break;
            default:
                input.truncate(qsizetype(at));
                break;
            }
        }
        return input;
    }

    std::vector<QByteArray> FCorpus;
    std::mt19937_64 FRandom;
};

std::vector<QByteArray> ReadCorpus(const QStringList& folders) {
    std::vector<QByteArray> corpus;
    for (const QString& folder : folders) {
        for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
            QFile file(info.filePath());
            if (file.open(QIODevice::ReadOnly))
                corpus.push_back(file.readAll());
        }
    }
    return corpus;
}

unsigned long long Number(const char* text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (!*text || *end) {
        std::fprintf(stderr, "random_inputs: not a number: %s\n", text);
        std::exit(2);
    }
    return value;
}

} // namespace

int main(int argc, char* argv[]) {
    unsigned long long from = 0;
    unsigned long long count = 100000;
    bool only = false;
    const char* save = nullptr;
    std::string onlyEntry;
    QStringList folders;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = i + 1 < argc;
        if (arg == "--seed" && valued)
            gSeed = Number(argv[++i]);
        else if (arg == "--from" && valued)
            from = Number(argv[++i]);
        else if (arg == "--count" && valued)
            count = Number(argv[++i]);
        else if (arg == "--only" && valued) {
            gIndex = Number(argv[++i]);
            only = true;
        } else if (arg == "--entry" && valued)
            onlyEntry = argv[++i];
        else if (arg == "--save" && valued)
            save = argv[++i];
        else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr,
                         "usage: random_inputs [--seed S] [--from N] [--count N] [--only N] "
                         "[--entry NAME] [--save FILE] [CORPUS-FOLDER...]\n");
            return 2;
        } else
            folders << QString::fromLocal8Bit(argv[i]);
    }
    if (!onlyEntry.empty() &&
        std::none_of(std::begin(Entries), std::end(Entries),
                     [&](const TNamedEntry& e) { return onlyEntry == e.Name; })) {
        std::fprintf(stderr, "random_inputs: no entry %s\n", onlyEntry.c_str());
        return 2;
    }
    std::signal(SIGABRT, OnAbort);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(TellWhere);
#endif
    TInputs inputs(ReadCorpus(folders));
    QElapsedTimer timer;
    timer.start();
    const unsigned long long first = only ? gIndex : from;
    const unsigned long long end = only ? gIndex + 1 : from + count;
    unsigned long long bytes = 0;
    for (gIndex = first; gIndex < end; ++gIndex) {
        const QByteArray input = inputs.Make(gSeed, gIndex);
        bytes += input.size();
        if (save) {
            QFile file(QString::fromLocal8Bit(save));
            if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
                return 1;
        }
        for (const TNamedEntry& entry : Entries) {
            // An entry named alone takes every input.
            if (onlyEntry.empty() ? entry.Turn != (gIndex % kTurn == 0) : onlyEntry != entry.Name)
                continue;
            gEntry = entry.Name;
            entry.Run(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
        }
    }
    gEntry = nullptr;
    std::printf("random_inputs: seed %llu, inputs %llu to %llu (%llu bytes) through %s, no "
                "finding, %.1f s\n",
                gSeed, first, end - 1, bytes, onlyEntry.empty() ? "every entry" : onlyEntry.c_str(),
                double(timer.elapsed()) / 1000);
    return 0;
}
