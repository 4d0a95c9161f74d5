// quillet-cli: dictionary lookups from a terminal, for learners and for scripted checks.
//
//   quillet-cli search [--type auto|simplified|traditional|pinyin|english] [--limit N] [--json]
//                      [--database FILE] TEXT...
//
// Prints the ranked results, one per line: simplified, traditional, tone-marked pinyin and the
// definitions joined by "; ", separated by tabs. Exit status: 0 with results, 1 with none,
// 2 for bad usage or an unreadable database.

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "text/json.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>
#include <QVariantList>
#include <QVariantMap>

#include <cstdio>

namespace {

enum ExitCode { Found = 0, NothingFound = 1, BadUsage = 2 };

QString usage()
{
    return korvo::translate(QStringLiteral(
        "usage: quillet-cli search [--type auto|simplified|traditional|pinyin|english] "
        "[--limit N] [--json] [--database FILE] TEXT..."));
}

int fail(const QString& message)
{
    QTextStream(stderr) << message << Qt::endl;
    return BadUsage;
}

// The data folder sits beside the executable, as for the program itself.
QString defaultDictionaryPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/data/Dictionary.db");
}

struct Options
{
    QString type = QStringLiteral("auto");
    int limit = 10;
    bool json = false;
    QString database;
    QStringList words;
};

// Reads the arguments after "search"; returns an error message, empty when they are fine.
QString parseSearchArguments(const QStringList& arguments, Options& options)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        auto value = [&](QString& out) {
            if (i + 1 >= arguments.size())
                return false;
            out = arguments.at(++i);
            return true;
        };
        if (argument == QLatin1String("--")) {
            options.words += arguments.mid(i + 1);
            break;
        } else if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--type")) {
            if (!value(options.type))
                return korvo::translate(QStringLiteral("--type needs a value"));
        } else if (argument.startsWith(QLatin1String("--type="))) {
            options.type = argument.mid(7);
        } else if (argument == QLatin1String("--limit") || argument.startsWith("--limit=")) {
            QString text = argument.mid(8);
            if (argument == QLatin1String("--limit") && !value(text))
                return korvo::translate(QStringLiteral("--limit needs a value"));
            bool ok = false;
            options.limit = text.toInt(&ok);
            if (!ok || options.limit < 0)
                return korvo::translate(QStringLiteral("--limit needs a number of 0 or more"));
        } else if (argument == QLatin1String("--database")) {
            if (!value(options.database))
                return korvo::translate(QStringLiteral("--database needs a file"));
        } else if (argument.startsWith(QLatin1String("--")) && argument.size() > 2) {
            return korvo::translate(QStringLiteral("unknown option %1")).arg(argument);
        } else {
            options.words << argument;
        }
    }
    if (options.words.join(QLatin1Char(' ')).trimmed().isEmpty())
        return korvo::translate(QStringLiteral("nothing to search for"));
    return QString();
}

bool textTypeOf(const QString& name, const QString& text, korvo::Dictionary::TextType& type)
{
    using korvo::Dictionary;
    if (name == QLatin1String("auto")) {
        type = Dictionary::AutoDetect;
    } else if (name == QLatin1String("simplified")) {
        type = Dictionary::Simplified;
    } else if (name == QLatin1String("traditional")) {
        type = Dictionary::Traditional;
    } else if (name == QLatin1String("english")) {
        type = Dictionary::English;
    } else if (name == QLatin1String("pinyin")) {
        const QString pinyin = Dictionary::normalisedPinyinQuery(text);
        type = korvo::removeToneNumbers(pinyin) != pinyin ? Dictionary::PinyinWithTones
                                                          : Dictionary::PinyinWithoutTones;
    } else {
        return false;
    }
    return true;
}

QString typeName(korvo::Dictionary::TextType type)
{
    switch (type) {
    case korvo::Dictionary::Simplified:
        return QStringLiteral("simplified");
    case korvo::Dictionary::Traditional:
        return QStringLiteral("traditional");
    case korvo::Dictionary::PinyinWithTones:
        return QStringLiteral("pinyinWithTones");
    case korvo::Dictionary::PinyinWithoutTones:
        return QStringLiteral("pinyinWithoutTones");
    case korvo::Dictionary::English:
        return QStringLiteral("english");
    default:
        return QStringLiteral("auto");
    }
}

int search(const QStringList& arguments)
{
    Options options;
    const QString error = parseSearchArguments(arguments, options);
    if (!error.isEmpty())
        return fail(error + QLatin1Char('\n') + usage());
    const QString text = options.words.join(QLatin1Char(' '));
    korvo::Dictionary::TextType type;
    if (!textTypeOf(options.type, text, type))
        return fail(korvo::translate(QStringLiteral("unknown text type %1")).arg(options.type) +
                    QLatin1Char('\n') + usage());

    const QString path = options.database.isEmpty() ? defaultDictionaryPath() : options.database;
    korvo::Dictionary dictionary;
    // Failures are reported below in one line.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const bool opened = dictionary.open(path);
    QSqlQuery probe(dictionary.database());
    const bool readable =
        opened && probe.exec(QStringLiteral("SELECT id FROM KnowledgeUnits LIMIT 1"));
    probe = QSqlQuery();
    qInstallMessageHandler(previous);
    if (!readable)
        return fail(korvo::translate(QStringLiteral("cannot read the dictionary %1")).arg(path));

    const korvo::Dictionary::LookupResult result = dictionary.lookup(type, text);
    QList<korvo::KnowledgeUnit*> units = result.units;
    if (options.limit > 0 && units.size() > options.limit)
        units = units.mid(0, options.limit);

    QTextStream out(stdout);
    if (options.json) {
        QVariantList list;
        for (korvo::KnowledgeUnit* unit : units) {
            QVariantMap map;
            map.insert(QStringLiteral("id"), unit->id());
            map.insert(QStringLiteral("simplified"), unit->simplified());
            map.insert(QStringLiteral("traditional"), unit->traditional());
            map.insert(QStringLiteral("pinyin"), unit->pinyinWithToneMarks());
            map.insert(QStringLiteral("pinyinNumbered"), unit->pinyin());
            map.insert(QStringLiteral("definitions"), unit->definitions());
            list << map;
        }
        QVariantMap document;
        document.insert(QStringLiteral("query"), result.query);
        document.insert(QStringLiteral("type"), typeName(result.type));
        document.insert(QStringLiteral("count"), int(result.units.size()));
        document.insert(QStringLiteral("results"), list);
        out << QString::fromUtf8(korvo::writeJson(document)) << Qt::endl;
    } else {
        for (korvo::KnowledgeUnit* unit : units) {
            out << unit->simplified() << '\t' << unit->traditional() << '\t'
                << unit->pinyinWithToneMarks() << '\t' << unit->definitionText() << Qt::endl;
        }
    }
    return result.units.isEmpty() ? NothingFound : Found;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    korvo::initPinyinTables();
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.first() != QLatin1String("search"))
        return fail(usage());
    arguments.removeFirst();
    return search(arguments);
}
