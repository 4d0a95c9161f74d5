#include "cli/segmentcommand.h"

#include "cli/commandline.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "reader/textsegment.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtableloader.h"
#include "text/translationcatalogue.h"

#include <QHash>
#include <QTextStream>
#include <QVariantList>
#include <QVariantMap>

namespace korvo {

namespace {

QString kindName(TextSegment::Kind kind)
{
    switch (kind) {
    case TextSegment::Word:
        return QStringLiteral("word");
    case TextSegment::UnknownCharacter:
        return QStringLiteral("unknown");
    case TextSegment::Number:
        return QStringLiteral("number");
    case TextSegment::Letters:
        return QStringLiteral("letters");
    case TextSegment::Punctuation:
        return QStringLiteral("punctuation");
    default:
        return QStringLiteral("other");
    }
}

bool isPrinted(const TextSegment& segment)
{
    return segment.kind != TextSegment::Space && segment.kind != TextSegment::LineBreak;
}

QVariantMap segmentAsJson(const QString& line, const TextSegment& segment,
                          const QHash<int, KnowledgeUnit*>& units)
{
    QVariantMap map;
    map.insert(QStringLiteral("text"), segment.textIn(line).toString());
    map.insert(QStringLiteral("kind"), kindName(segment.kind));
    if (KnowledgeUnit* unit = units.value(segment.unitId)) {
        map.insert(QStringLiteral("id"), unit->id());
        map.insert(QStringLiteral("pinyin"), unit->pinyinWithToneMarks());
        map.insert(QStringLiteral("pinyinNumbered"), unit->pinyin());
        map.insert(QStringLiteral("simplified"), unit->simplified());
        map.insert(QStringLiteral("traditional"), unit->traditional());
        map.insert(QStringLiteral("definitions"), unit->definitions());
    }
    return map;
}

} // namespace

QString segmentUsage()
{
    return translate(
        QStringLiteral("usage: quillet-cli segment [--json] [--database FILE] [TEXT...]"));
}

int runSegmentCommand(const QStringList& arguments)
{
    CommandLine line(arguments, {QStringLiteral("json")}, {QStringLiteral("database")});
    if (!line.isValid())
        return failWithUsage(line.error(), segmentUsage());
    const QString path =
        line.value(QStringLiteral("database"), defaultDataFile(QStringLiteral("Dictionary.db")));
    Dictionary dictionary;
    if (!openDictionaryQuietly(dictionary, path))
        return fail(translate(QStringLiteral("cannot read the dictionary %1")).arg(path));

    QString text = wordsOrStandardInput(line.words());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    // Only the words of this text are read from the dictionary: quick for a line or a page.
    const WordSegmenter segmenter(WordTableLoader::loadForText(dictionary.database(), text));
    std::vector<std::vector<TextSegment>> segmented;
    QList<int> unitIds;
    bool anyWord = false;
    for (const QString& one : lines) {
        segmented.push_back(segmenter.segment(one));
        for (const TextSegment& segment : segmented.back()) {
            anyWord = anyWord || isPrinted(segment);
            if (segment.unitId)
                unitIds << segment.unitId;
        }
    }
    const bool json = line.flag(QStringLiteral("json"));
    QHash<int, KnowledgeUnit*> units;
    if (json) {
        for (KnowledgeUnit* unit : dictionary.knowledgeUnitsByIds(unitIds))
            units.insert(unit->id(), unit);
    }

    QTextStream out(stdout);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (json) {
            QVariantList list;
            for (const TextSegment& segment : segmented[size_t(i)]) {
                if (isPrinted(segment))
                    list << segmentAsJson(lines.at(i), segment, units);
            }
            out.flush();
            printJson(list);
            continue;
        }
        QStringList words;
        for (const TextSegment& segment : segmented[size_t(i)]) {
            if (isPrinted(segment))
                words << segment.textIn(lines.at(i)).toString();
        }
        out << words.join(QLatin1Char(' ')) << Qt::endl;
    }
    return anyWord ? CliSuccess : CliNothingFound;
}

} // namespace korvo
