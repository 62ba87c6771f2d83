// The code browser's first reading of a tree's sources, alone and in one thread: the time of
// reading each into tokens and of parsing the tokens, best of a few rounds, with counts that
// tell whether two builds read the same. A benchmark, not a test.
//
//   bench_xref_read TREE [ROUNDS]
//
// Sources and the include files beside them are decoded before the clock starts: the
// figure is the reader's and the parser's own work, not the disk's.

#include "XrefLexer.h"
#include "XrefParser.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cstdio>

namespace {

QString ReadDecoded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeSource(file.readAll(), TUnmarkedSource::Auto);
}

struct TSourceFile {
    QString Path, Folder, Text;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_xref_read TREE [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    std::vector<TSourceFile> sources;
    QHash<QString, QString> files; // every file of the tree by path, for the includes
    for (QDirIterator it(QString::fromLocal8Bit(argv[1]), QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == u"inc" || suffix == u"pp" || suffix == u"pas" || suffix == u"p" ||
            suffix == u"lpr" || suffix == u"dpr")
            files.insert(path, ReadDecoded(path));
        if (suffix == u"pp" || suffix == u"pas" || suffix == u"p" || suffix == u"lpr" ||
            suffix == u"dpr")
            sources.push_back({path, QFileInfo(path).path(), files.value(path)});
    }
    std::sort(sources.begin(), sources.end(),
              [](const TSourceFile& a, const TSourceFile& b) { return a.Path < b.Path; });

    double bestRead = 1e9, bestParse = 1e9;
    size_t tokens = 0, decls = 0, sites = 0, scopes = 0;
    TXrefSource source;
    for (int round = 0; round < rounds; ++round) {
        double read = 0, parse = 0;
        tokens = decls = sites = scopes = 0;
        for (const TSourceFile& file : sources) {
            const TIncludeReader includes = [&files, &file](const QString& name) {
                QString path = file.Folder + u'/' + QString(name).replace(u'\\', u'/');
                auto found = files.constFind(path);
                if (found == files.cend())
                    found = files.constFind(path + QStringLiteral(".inc"));
                return found == files.cend() ? std::optional<QString>() : *found;
            };
            QElapsedTimer timer;
            timer.start();
            ReadXrefSource(source, file.Text, includes);
            read += double(timer.nsecsElapsed()) / 1e9;
            timer.restart();
            const TParsedSource parsed = ParseXrefSource(source);
            parse += double(timer.nsecsElapsed()) / 1e9;
            tokens += source.Tokens.size();
            decls += parsed.Unit.Decls.size();
            sites += parsed.Sites.size();
            scopes += parsed.Unit.Scopes.size();
        }
        bestRead = std::min(bestRead, read);
        bestParse = std::min(bestParse, parse);
    }
    std::printf("%zu sources: read %.3f s, parse %.3f s (best of %d); %zu tokens, %zu "
                "declarations, %zu scopes, %zu sites\n",
                sources.size(), bestRead, bestParse, rounds, tokens, decls, scopes, sites);
    return 0;
}
