// quillet-cli: what the program does with its data, from a terminal, for learners and scripts.
// The first argument names the command; "quillet-cli" alone lists them.

#include "cli/commandline.h"
#include "cli/importcommand.h"
#include "cli/recognizecommand.h"
#include "cli/searchcommand.h"
#include "cli/segmentcommand.h"
#include "cli/statscommand.h"
#include "text/pinyin.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

struct Command
{
    const char* name;
    int (*run)(const QStringList& arguments);
    QString (*usage)();
};

const Command Commands[] = {
    {"search", korvo::runSearchCommand, korvo::searchUsage},
    {"import", korvo::runImportCommand, korvo::importUsage},
    {"recognize", korvo::runRecognizeCommand, korvo::recognizeUsage},
    {"segment", korvo::runSegmentCommand, korvo::segmentUsage},
    {"stats", korvo::runStatsCommand, korvo::statsUsage},
};

QString usageOfEveryCommand()
{
    QStringList lines;
    for (const Command& command : Commands)
        lines << command.usage();
    return lines.join(QLatin1Char('\n'));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    korvo::initPinyinTables();
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString name = arguments.value(0);
    for (const Command& command : Commands) {
        if (name == QLatin1String(command.name))
            return command.run(arguments.mid(1));
    }
    return korvo::fail(usageOfEveryCommand());
}
