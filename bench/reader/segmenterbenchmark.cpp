// Word segmentation throughput over the 24,026 Chinese sentences of the example-sentence source
// (each sentence segmented on its own) and over one text of 100,000 characters made from them
// (a line break after every tenth sentence), in MB of UTF-8 per second, best of five rounds;
// and the time to load the whole word table. With --output DIR it writes the inputs
// (sentences.txt, one a line, and text100k.txt) and its words (sentences.quillet.txt and
// text100k.quillet.txt, words separated by spaces, one line per input line) for
// scripts/reader-jieba-bench.sh to compare with jieba's.
//
// usage: quillet-bench-segmenter [--database FILE] [--sentences FILE] [--output DIR]

#include "reader/textsegment.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtable.h"
#include "reader/wordtableloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using korvo::TextSegment;
using korvo::WordSegmenter;

namespace {

constexpr int TextLength = 100000;
constexpr int Rounds = 5;

QString argumentValue(const QStringList& arguments, const QString& name, const QString& fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

QStringList readSentences(const QString& path)
{
    QStringList sentences;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sentences;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(QLatin1Char('\t'));
        if (fields.size() >= 2 && !fields.at(1).trimmed().isEmpty())
            sentences << fields.at(1).trimmed();
    }
    return sentences;
}

QString hundredThousandCharacters(const QStringList& sentences)
{
    QString text;
    for (qsizetype i = 0; text.size() < TextLength; ++i) {
        text += sentences.at(i % sentences.size());
        if (i % 10 == 9)
            text += QLatin1Char('\n');
    }
    text.truncate(TextLength);
    return text;
}

// The words of each line, separated by spaces (blanks and line breaks are no words).
QString wordsByLine(const WordSegmenter& segmenter, const QString& text)
{
    QString out;
    bool lineStart = true;
    for (const TextSegment& segment : segmenter.segment(text)) {
        if (segment.kind == TextSegment::LineBreak) {
            out += QLatin1Char('\n');
            lineStart = true;
        } else if (segment.kind != TextSegment::Space) {
            if (!lineStart)
                out += QLatin1Char(' ');
            out += segment.textIn(text);
            lineStart = false;
        }
    }
    return out;
}

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(text.toUtf8());
    return true;
}

// Best of the rounds, in seconds, of running `work` once.
template <typename Work> double bestTime(Work work)
{
    double best = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, double(clock.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const QString root = QStringLiteral(QUILLET_SOURCE_DIR);
    const QString databasePath = argumentValue(arguments, QStringLiteral("--database"),
                                               QCoreApplication::applicationDirPath() +
                                                   QStringLiteral("/data/Dictionary.db"));
    const QString sentencesPath =
        argumentValue(arguments, QStringLiteral("--sentences"),
                      root + QStringLiteral("/data/sources/sentences/cmn-eng-tatoeba.tsv"));
    const QString output = argumentValue(arguments, QStringLiteral("--output"), QString());

    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    database.setDatabaseName(databasePath);
    if (!database.open()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(databasePath));
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    const WordSegmenter segmenter(korvo::WordTableLoader::loadAll(database));
    std::printf("word table: %lld words, loaded in %lld ms\n",
                static_cast<long long>(segmenter.table()->wordCount()),
                static_cast<long long>(clock.elapsed()));

    const QStringList sentences = readSentences(sentencesPath);
    if (sentences.isEmpty()) {
        std::fprintf(stderr, "no sentences in %s\n", qPrintable(sentencesPath));
        return 2;
    }
    const QString text = hundredThousandCharacters(sentences);
    qsizetype sentenceBytes = 0;
    for (const QString& sentence : sentences)
        sentenceBytes += sentence.toUtf8().size();
    const qsizetype textBytes = text.toUtf8().size();

    size_t words = 0;
    const double sentenceTime = bestTime([&] {
        words = 0;
        for (const QString& sentence : sentences)
            words += segmenter.segment(sentence).size();
    });
    const double textTime = bestTime([&] { words += segmenter.segment(text).size(); });
    std::printf("%-28s %8s %10s %10s %9s\n", "input", "chars", "UTF-8 MB", "seconds", "MB/s");
    std::printf("%-28s %8lld %10.3f %10.4f %9.2f\n", "24,026 sentences, one by one",
                static_cast<long long>(sentences.join(QString()).size()), sentenceBytes / 1e6,
                sentenceTime, sentenceBytes / 1e6 / sentenceTime);
    std::printf("%-28s %8lld %10.3f %10.4f %9.2f\n", "one text of 100,000 chars",
                static_cast<long long>(text.size()), textBytes / 1e6, textTime,
                textBytes / 1e6 / textTime);

    if (!output.isEmpty()) {
        QDir().mkpath(output);
        const QString lines = sentences.join(QLatin1Char('\n')) + QLatin1Char('\n');
        const bool written = writeFile(output + QStringLiteral("/sentences.txt"), lines) &&
                             writeFile(output + QStringLiteral("/text100k.txt"), text) &&
                             writeFile(output + QStringLiteral("/sentences.quillet.txt"),
                                       wordsByLine(segmenter, lines)) &&
                             writeFile(output + QStringLiteral("/text100k.quillet.txt"),
                                       wordsByLine(segmenter, text));
        if (!written) {
            std::fprintf(stderr, "cannot write into %s\n", qPrintable(output));
            return 3;
        }
    }
    return 0;
}
