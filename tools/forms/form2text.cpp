// Writes the text form of a binary form file to standard output (windows-1251 bytes);
// exits 1 when the file is not a binary form or is damaged, with the reason on stderr.

#include "BinaryForm.h"
#include "Exception.h"
#include "TextFile.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: form2text FILE\n");
        return 2;
    }
    try {
        const QByteArray bytes = ReadFileBytes(QString::fromLocal8Bit(argv[1]));
        if (!IsBinaryForm(bytes)) {
            std::fprintf(stderr, "%s: not a binary form\n", argv[1]);
            return 1;
        }
        const TBinaryFormText form = BinaryFormToText(bytes);
        std::fwrite(form.Text.constData(), 1, size_t(form.Text.size()), stdout);
        if (!form.Problem.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", argv[1], form.Problem.toLocal8Bit().constData());
            return 1;
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
