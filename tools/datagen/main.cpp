// Builds the data folder the program reads: the dictionary, the stroke animations, the profile
// template and the syllable recordings, from the pinned public sources.
//
// usage: quillet_datagen <dictionary|animations|profile|audio> <output path> [options]
//   --node-modules DIR   the pinned npm packages (tools/datagen/node_modules)
//   --sources DIR        the source data of the repository (recordings, sentences)
//   --unicode DIR        the Unicode data folder (default /usr/share/unicode)
//   --dictionary FILE    the built Dictionary.db (profile only)
//   --stamp FILE         touched after success (audio only)
//   --jobs N             parallel synthesis processes (audio only, default 2)

#include "animationbuilder.h"
#include "audiobuilder.h"
#include "dictionarybuilder.h"
#include "profilebuilder.h"
#include "sourcefiles.h"

#include "text/pinyin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the data files of Quillet from the pinned public sources."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("what"),
                                 QStringLiteral("dictionary, animations, profile or audio"));
    parser.addPositionalArgument(QStringLiteral("output"),
                                 QStringLiteral("the file (or folder for audio) to write"));
    const QCommandLineOption nodeModules(QStringLiteral("node-modules"),
                                         QStringLiteral("Pinned npm packages."),
                                         QStringLiteral("dir"));
    const QCommandLineOption sources(QStringLiteral("sources"),
                                     QStringLiteral("Source data of the repository."),
                                     QStringLiteral("dir"));
    const QCommandLineOption unicode(QStringLiteral("unicode"),
                                     QStringLiteral("Unicode data folder."), QStringLiteral("dir"),
                                     QStringLiteral("/usr/share/unicode"));
    const QCommandLineOption dictionary(QStringLiteral("dictionary"),
                                        QStringLiteral("The built Dictionary.db."),
                                        QStringLiteral("file"));
    const QCommandLineOption stamp(QStringLiteral("stamp"),
                                   QStringLiteral("File touched after success."),
                                   QStringLiteral("file"));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("Parallel synthesis processes."),
                                  QStringLiteral("n"), QStringLiteral("2"));
    parser.addOptions({nodeModules, sources, unicode, dictionary, stamp, jobs});
    parser.process(application);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }
    const QString what = arguments.at(0);
    const QString output = QFileInfo(arguments.at(1)).absoluteFilePath();
    QDir().mkpath(QFileInfo(output).absolutePath());

    korvo::initPinyinTables();
    const korvo::SourceFiles files(parser.value(nodeModules), parser.value(sources),
                                   parser.value(unicode));
    bool ok = false;
    if (what == QLatin1String("dictionary")) {
        ok = korvo::DictionaryBuilder(files).build(output);
    } else if (what == QLatin1String("animations")) {
        ok = korvo::AnimationBuilder(files).build(output);
    } else if (what == QLatin1String("profile")) {
        ok = korvo::ProfileBuilder(files).build(parser.value(dictionary), output);
    } else if (what == QLatin1String("audio")) {
        ok = korvo::AudioBuilder(files).build(output, parser.value(stamp),
                                              std::max(1, parser.value(jobs).toInt()));
    } else {
        std::fprintf(stderr, "datagen: unknown data \"%s\"\n", qPrintable(what));
        return 2;
    }
    if (!ok) {
        std::fprintf(stderr, "datagen: %s was not built\n", qPrintable(output));
        return 1;
    }
    return 0;
}
