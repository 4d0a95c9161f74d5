#include "cli/commandline.h"

#include "app/folders.h"
#include "dictionary/dictionary.h"
#include "text/json.h"
#include "text/translationcatalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTextStream>

namespace korvo {

CommandLine::CommandLine(const QStringList& arguments, const QStringList& flags,
                         const QStringList& valuedOptions)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            m_words += arguments.mid(i + 1);
            break;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            m_words << argument;
            continue;
        }
        const int equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        if (flags.contains(name) && equals < 0) {
            m_flags.insert(name);
        } else if (valuedOptions.contains(name)) {
            if (equals >= 0) {
                m_values.insert(name, argument.mid(equals + 1));
            } else if (i + 1 < arguments.size()) {
                m_values.insert(name, arguments.at(++i));
            } else {
                m_error = translate(QStringLiteral("--%1 needs a value")).arg(name);
                return;
            }
        } else {
            m_error = translate(QStringLiteral("unknown option %1")).arg(argument);
            return;
        }
    }
}

int CommandLine::number(const QString& name, int defaultValue, int minimum)
{
    if (!hasValue(name))
        return defaultValue;
    bool ok = false;
    const int result = value(name).toInt(&ok);
    if (!ok || result < minimum) {
        if (m_error.isEmpty())
            m_error = translate(QStringLiteral("--%1 needs a number of %2 or more"))
                          .arg(name)
                          .arg(minimum);
        return defaultValue;
    }
    return result;
}

int failWithUsage(const QString& message, const QString& usage)
{
    return fail(message + QLatin1Char('\n') + usage);
}

int fail(const QString& message, int status)
{
    QTextStream(stderr) << message << Qt::endl;
    return status;
}

QString defaultDataFile(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/data/") + name;
}

void printJson(const QVariant& value)
{
    QTextStream(stdout) << QString::fromUtf8(writeJson(value)) << Qt::endl;
}

QString wordsOrStandardInput(const QStringList& words)
{
    if (!words.isEmpty() && words != QStringList{QStringLiteral("-")})
        return words.join(QLatin1Char(' '));
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(input.readAll());
}

QString profileFolderOption(const CommandLine& line)
{
    if (!line.hasValue(QStringLiteral("profile")))
        return Folders::forRunningProgram().profileFolder();
    const QFileInfo given(line.value(QStringLiteral("profile")));
    if (given.fileName() != QLatin1String("Profile.db") && !given.isDir())
        return QString();
    return given.isDir() ? given.absoluteFilePath() : given.absolutePath();
}

bool openDictionaryQuietly(Dictionary& dictionary, const QString& path)
{
    // Failures are reported by the caller in one line.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    bool readable = dictionary.open(path);
    if (readable) {
        QSqlQuery probe(dictionary.database());
        readable = probe.exec(QStringLiteral("SELECT id FROM KnowledgeUnits LIMIT 1"));
    }
    qInstallMessageHandler(previous);
    return readable;
}

} // namespace korvo
