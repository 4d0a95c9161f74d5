#include "cli/searchcommand.h"

#include "cli/commandline.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QTextStream>
#include <QVariantList>
#include <QVariantMap>

namespace korvo {

namespace {

bool textTypeOf(const QString& name, const QString& text, Dictionary::TextType& type)
{
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
        type = removeToneNumbers(pinyin) != pinyin ? Dictionary::PinyinWithTones
                                                   : Dictionary::PinyinWithoutTones;
    } else {
        return false;
    }
    return true;
}

QString typeName(Dictionary::TextType type)
{
    switch (type) {
    case Dictionary::Simplified:
        return QStringLiteral("simplified");
    case Dictionary::Traditional:
        return QStringLiteral("traditional");
    case Dictionary::PinyinWithTones:
        return QStringLiteral("pinyinWithTones");
    case Dictionary::PinyinWithoutTones:
        return QStringLiteral("pinyinWithoutTones");
    case Dictionary::English:
        return QStringLiteral("english");
    default:
        return QStringLiteral("auto");
    }
}

QVariantMap unitAsJson(KnowledgeUnit* unit)
{
    QVariantMap map;
    map.insert(QStringLiteral("id"), unit->id());
    map.insert(QStringLiteral("simplified"), unit->simplified());
    map.insert(QStringLiteral("traditional"), unit->traditional());
    map.insert(QStringLiteral("pinyin"), unit->pinyinWithToneMarks());
    map.insert(QStringLiteral("pinyinNumbered"), unit->pinyin());
    map.insert(QStringLiteral("definitions"), unit->definitions());
    return map;
}

} // namespace

QString searchUsage()
{
    return translate(QStringLiteral(
        "usage: quillet-cli search [--type auto|simplified|traditional|pinyin|english] "
        "[--limit N] [--json] [--database FILE] TEXT..."));
}

int runSearchCommand(const QStringList& arguments)
{
    CommandLine line(arguments, {QStringLiteral("json")},
                     {QStringLiteral("type"), QStringLiteral("limit"), QStringLiteral("database")});
    const int limit = line.number(QStringLiteral("limit"), 10);
    if (!line.isValid())
        return failWithUsage(line.error(), searchUsage());
    const QString text = line.words().join(QLatin1Char(' '));
    if (text.trimmed().isEmpty())
        return failWithUsage(translate(QStringLiteral("nothing to search for")), searchUsage());
    const QString typeOption = line.value(QStringLiteral("type"), QStringLiteral("auto"));
    Dictionary::TextType type;
    if (!textTypeOf(typeOption, text, type))
        return failWithUsage(translate(QStringLiteral("unknown text type %1")).arg(typeOption),
                             searchUsage());

    const QString path =
        line.value(QStringLiteral("database"), defaultDataFile(QStringLiteral("Dictionary.db")));
    Dictionary dictionary;
    if (!openDictionaryQuietly(dictionary, path))
        return fail(translate(QStringLiteral("cannot read the dictionary %1")).arg(path));

    const Dictionary::LookupResult result = dictionary.lookupRanked(type, text);
    const QList<KnowledgeUnit*> units =
        result.ranked.range(0, limit > 0 ? limit : result.ranked.size());

    if (line.flag(QStringLiteral("json"))) {
        QVariantList list;
        for (KnowledgeUnit* unit : units)
            list << unitAsJson(unit);
        QVariantMap document;
        document.insert(QStringLiteral("query"), result.query);
        document.insert(QStringLiteral("type"), typeName(result.type));
        document.insert(QStringLiteral("count"), int(result.ranked.size()));
        document.insert(QStringLiteral("results"), list);
        printJson(document);
    } else {
        QTextStream out(stdout);
        for (KnowledgeUnit* unit : units)
            out << unit->simplified() << '\t' << unit->traditional() << '\t'
                << unit->pinyinWithToneMarks() << '\t' << unit->definitionText() << Qt::endl;
    }
    return result.ranked.isEmpty() ? CliNothingFound : CliSuccess;
}

} // namespace korvo
