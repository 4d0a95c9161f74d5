#include "dictionarybuilder.h"

#include "dictionary/dictionary.h"
#include "dictionary/searchdata.h"

#include "databasewriter.h"
#include "sourceparsers.h"

#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>

namespace korvo {

namespace {

// Rank given to characters that no frequency list ranks.
constexpr int UnrankedRank = 20000;

// Tables first; indexes are created after the rows are in, which is much faster. New lookups
// get their index here.
const char* const TableStatements[] = {
    "CREATE TABLE KnowledgeUnits (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
    "traditional TEXT NOT NULL, pinyin TEXT NOT NULL, pinyinMerged TEXT NOT NULL, "
    "pinyinMergedNoTones TEXT NOT NULL, definition TEXT NOT NULL, variants TEXT NOT NULL "
    "DEFAULT '')",
    "CREATE TABLE Characters (id INTEGER PRIMARY KEY, character TEXT NOT NULL, "
    "radicalId INTEGER NOT NULL, strokeCount INTEGER NOT NULL, frequency REAL NOT NULL, "
    "rank INTEGER NOT NULL, partIds TEXT NOT NULL, revertPartIds TEXT NOT NULL, "
    "hskLevel INTEGER NOT NULL, simplified TEXT NOT NULL, traditional TEXT NOT NULL)",
    "CREATE TABLE DecompositionParts (id INTEGER PRIMARY KEY, character TEXT NOT NULL)",
    "CREATE TABLE Bigrams (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
    "frequency REAL NOT NULL)",
    "CREATE TABLE Radicals (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
    "traditional TEXT NOT NULL, pinyin TEXT NOT NULL, pinyinMerged TEXT NOT NULL, "
    "pinyinMergedNoTones TEXT NOT NULL, definition TEXT NOT NULL, variants TEXT NOT NULL, "
    "strokeCount INTEGER NOT NULL)",
    "CREATE TABLE Sentences (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
    "traditional TEXT NOT NULL, english TEXT NOT NULL, characterFrequency REAL NOT NULL, "
    "highestCharacterRank INTEGER NOT NULL, attribution TEXT NOT NULL)",
    "CREATE TABLE Sources (name TEXT NOT NULL, version TEXT NOT NULL, licence TEXT NOT NULL)",
};

const char* const IndexStatements[] = {
    // Lookups by characters, with or without a reading.
    "CREATE INDEX KnowledgeUnits_simplified ON KnowledgeUnits (simplified, pinyin)",
    "CREATE INDEX KnowledgeUnits_traditional ON KnowledgeUnits (traditional, pinyin)",
    "CREATE UNIQUE INDEX Characters_character ON Characters (character)",
    // Preloading the most frequent characters.
    "CREATE INDEX Characters_frequency ON Characters (frequency)",
    // Same-radical and same-ending character draws.
    "CREATE INDEX Characters_radicalId ON Characters (radicalId, rank)",
    "CREATE INDEX Characters_revertPartIds ON Characters (revertPartIds)",
    "CREATE UNIQUE INDEX Bigrams_simplified ON Bigrams (simplified)",
    "CREATE INDEX Bigrams_frequency ON Bigrams (frequency)",
    "CREATE INDEX Sentences_highestCharacterRank ON Sentences (highestCharacterRank)",
};

QStringList statementList(const char* const* begin, const char* const* end)
{
    QStringList result;
    for (auto it = begin; it != end; ++it)
        result.append(QString::fromLatin1(*it));
    return result;
}

struct CharacterRecord
{
    QString character;
    int radicalId = 0;
    int strokeCount = 0;
    double frequency = 0;
    int rank = UnrankedRank;
    QList<int> partIds;
    int hskLevel = 0;
    QString simplified;
    QString traditional;
};

// The other script's form of a character, "" when the character serves in both scripts.
QString otherForm(const QString& character, const QStringList& variants)
{
    if (variants.isEmpty() || variants.contains(character))
        return QString();
    return variants.first();
}

// Components of a decomposition entry as characters the program can draw: numbered
// intermediate components and characters outside the Basic Multilingual Plane are replaced by
// their own components.
void collectParts(const QString& key, const QString& character,
                  const QHash<QString, QStringList>& decompositions, int depth, QStringList* parts)
{
    for (const QString& component : decompositions.value(key)) {
        if (component == character || component == key)
            continue;
        const bool numbered = component.at(0).isDigit();
        if (!numbered && component.size() == 1) {
            parts->append(component);
        } else if (depth < 6 && decompositions.contains(component)) {
            collectParts(component, character, decompositions, depth + 1, parts);
        }
    }
}

bool runOpenCC(const QString& config, const QString& input, const QString& output)
{
    QProcess opencc;
    opencc.start(QStringLiteral("opencc"), {QStringLiteral("-c"), config, QStringLiteral("-i"),
                                            input, QStringLiteral("-o"), output});
    if (!opencc.waitForStarted()) {
        reportError(QStringLiteral("opencc"),
                    QStringLiteral("did not start (Debian package opencc)"));
        return false;
    }
    opencc.waitForFinished(-1);
    if (opencc.exitStatus() != QProcess::NormalExit || opencc.exitCode() != 0) {
        reportError(QStringLiteral("opencc"),
                    QStringLiteral("%1 failed: %2")
                        .arg(config, QString::fromLocal8Bit(opencc.readAllStandardError())));
        return false;
    }
    return true;
}

// Converts every line to both scripts with OpenCC. A line that is already in simplified script
// keeps its text there; any other line is taken as traditional.
bool convertScripts(const QStringList& lines, QStringList* simplified, QStringList* traditional)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        reportError(dir.path(), QStringLiteral("cannot create a temporary folder"));
        return false;
    }
    const QString input = dir.filePath(QStringLiteral("sentences.txt"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly)) {
        reportError(input, file.errorString());
        return false;
    }
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    file.close();
    const QString toSimplified = dir.filePath(QStringLiteral("t2s.txt"));
    if (!runOpenCC(QStringLiteral("t2s.json"), input, toSimplified))
        return false;
    QFile simplifiedFile(toSimplified);
    if (!simplifiedFile.open(QIODevice::ReadOnly)) {
        reportError(toSimplified, simplifiedFile.errorString());
        return false;
    }
    QStringList simplifiedLines =
        QString::fromUtf8(simplifiedFile.readAll()).split(QLatin1Char('\n'));
    simplifiedLines.removeLast();
    // Simplified lines are converted to traditional from the simplified form, so that lines
    // written in traditional script keep their own text.
    const QString simplifiedInput = dir.filePath(QStringLiteral("simplified.txt"));
    QFile simplifiedOut(simplifiedInput);
    simplifiedOut.open(QIODevice::WriteOnly);
    simplifiedOut.write(simplifiedLines.join(QLatin1Char('\n')).toUtf8() + '\n');
    simplifiedOut.close();
    const QString toTraditional = dir.filePath(QStringLiteral("s2t.txt"));
    if (!runOpenCC(QStringLiteral("s2t.json"), simplifiedInput, toTraditional))
        return false;
    QFile traditionalFile(toTraditional);
    if (!traditionalFile.open(QIODevice::ReadOnly)) {
        reportError(toTraditional, traditionalFile.errorString());
        return false;
    }
    QStringList traditionalLines =
        QString::fromUtf8(traditionalFile.readAll()).split(QLatin1Char('\n'));
    traditionalLines.removeLast();
    if (simplifiedLines.size() != lines.size() || traditionalLines.size() != lines.size()) {
        reportError(QStringLiteral("opencc"), QStringLiteral("returned %1/%2 lines for %3")
                                                  .arg(simplifiedLines.size())
                                                  .arg(traditionalLines.size())
                                                  .arg(lines.size()));
        return false;
    }
    for (int i = 0; i < lines.size(); ++i) {
        if (simplifiedLines.at(i) != lines.at(i))
            traditionalLines[i] = lines.at(i);
    }
    *simplified = simplifiedLines;
    *traditional = traditionalLines;
    return true;
}

QString joinIds(const QList<int>& ids)
{
    QStringList texts;
    for (int id : ids)
        texts.append(QString::number(id));
    return texts.join(QLatin1Char(','));
}

} // namespace

DictionaryBuilder::DictionaryBuilder(const SourceFiles& files) : m_files(files) {}

bool DictionaryBuilder::build(const QString& targetPath)
{
    reportProgress(QStringLiteral("Dictionary: reading sources"));
    QVector<CedictEntry> entries;
    QDateTime edition;
    QVector<JundaCharacter> junda;
    QHash<QString, qint64> leiden;
    qint64 leidenTotal = 0;
    QVector<QStringList> hskLevels;
    QHash<QString, QStringList> decompositions;
    QVector<QPair<QString, QString>> radicalMeanings;
    QHash<QString, UnihanCharacter> unihan;
    QVector<KangxiRadical> kangxi;
    QVector<SentencePair> sentences;
    if (!readCedict(m_files, &entries, &edition) || !readJunda(m_files, &junda) ||
        !readLeiden(m_files, &leiden, &leidenTotal) || !readHskLevels(m_files, &hskLevels) ||
        !readDecompositions(m_files, &decompositions) ||
        !readRadicalMeanings(m_files, &radicalMeanings) || !readKangxiRadicals(m_files, &kangxi) ||
        !readSentences(m_files, &sentences))
        return false;
    reportProgress(QStringLiteral("Dictionary: %1 CC-CEDICT entries (%2 edition), reading Unihan")
                       .arg(entries.size())
                       .arg(edition.date().toString(Qt::ISODate)));
    if (!readUnihan(m_files, &unihan))
        return false;

    DatabaseWriter writer(targetPath);
    if (!writer.open() ||
        !writer.execute(statementList(std::begin(TableStatements), std::end(TableStatements))))
        return false;

    // Knowledge units: every entry, in file order.
    {
        QSqlQuery insert;
        if (!writer.begin() ||
            !writer.prepare(
                insert, QStringLiteral("INSERT INTO KnowledgeUnits (id, simplified, traditional, "
                                       "pinyin, pinyinMerged, pinyinMergedNoTones, definition, "
                                       "variants) VALUES (?, ?, ?, ?, ?, ?, ?, '')")))
            return false;
        KnowledgeUnit unit;
        for (int i = 0; i < entries.size(); ++i) {
            const CedictEntry& entry = entries.at(i);
            unit.setPinyin(entry.pinyin.toLower());
            insert.addBindValue(i + 1);
            insert.addBindValue(entry.simplified);
            insert.addBindValue(entry.traditional);
            insert.addBindValue(unit.pinyin());
            insert.addBindValue(unit.pinyinMerged());
            insert.addBindValue(unit.pinyinMergedNoTones());
            insert.addBindValue(entry.definition);
            if (!writer.run(insert))
                return false;
        }
        insert.finish();
        if (!writer.commit())
            return false;
    }
    reportProgress(QStringLiteral("Dictionary: %1 knowledge units written").arg(entries.size()));

    // Characters: those of the dictionary and every one with a Mandarin reading.
    QSet<QString> characterSet;
    for (const CedictEntry& entry : entries) {
        for (const QString& text : {entry.simplified, entry.traditional}) {
            for (const QString& c : characters(text)) {
                if (isStoredHanCharacter(c))
                    characterSet.insert(c);
            }
        }
    }
    for (auto it = unihan.cbegin(); it != unihan.cend(); ++it) {
        if (!it->mandarin.isEmpty() && isStoredHanCharacter(it.key()))
            characterSet.insert(it.key());
    }

    qint64 jundaTotal = 0;
    for (const JundaCharacter& c : junda)
        jundaTotal += c.count;
    QHash<QString, QPair<double, int>> ownFrequency; // character -> frequency, rank
    for (const JundaCharacter& c : junda) {
        if (!ownFrequency.contains(c.character))
            ownFrequency.insert(c.character, {double(c.count) / jundaTotal, c.rank});
    }
    QHash<QString, int> ownHsk;
    for (int level = 0; level < hskLevels.size(); ++level) {
        for (const QString& word : hskLevels.at(level)) {
            for (const QString& c : characters(word)) {
                if (!ownHsk.contains(c))
                    ownHsk.insert(c, level + 1);
            }
        }
    }

    QVector<CharacterRecord> records;
    records.reserve(characterSet.size());
    QSet<QString> partSet;
    QHash<QString, QStringList> partsOf;
    for (const QString& c : characterSet) {
        const UnihanCharacter data = unihan.value(c);
        CharacterRecord record;
        record.character = c;
        record.radicalId = data.radical + (data.radical > 0 && data.simplifiedRadical ? 1000 : 0);
        record.strokeCount = data.strokes;
        record.simplified = otherForm(c, data.simplifiedVariants);
        record.traditional = otherForm(c, data.traditionalVariants);
        // Traditional characters count as often as their simplified form is written.
        QStringList sources{c};
        if (!record.simplified.isEmpty())
            sources.append(record.simplified);
        for (const QString& source : sources) {
            const auto frequency = ownFrequency.constFind(source);
            if (frequency != ownFrequency.cend()) {
                record.frequency = std::max(record.frequency, frequency->first);
                record.rank = std::min(record.rank, frequency->second);
            }
            if (record.hskLevel == 0)
                record.hskLevel = ownHsk.value(source);
        }
        QStringList parts;
        collectParts(c, c, decompositions, 0, &parts);
        for (const QString& part : parts)
            partSet.insert(part);
        partsOf.insert(c, parts);
        records.append(record);
    }
    std::sort(records.begin(), records.end(),
              [](const CharacterRecord& a, const CharacterRecord& b) {
                  if (a.rank != b.rank)
                      return a.rank < b.rank;
                  return a.character < b.character;
              });
    QStringList partList = partSet.values();
    std::sort(partList.begin(), partList.end());
    QHash<QString, int> partIds;
    for (int i = 0; i < partList.size(); ++i)
        partIds.insert(partList.at(i), i + 1);
    QHash<QString, const CharacterRecord*> recordOf;
    {
        QSqlQuery insert;
        if (!writer.begin() ||
            !writer.prepare(insert,
                            QStringLiteral("INSERT INTO Characters (id, character, radicalId, "
                                           "strokeCount, frequency, rank, partIds, revertPartIds, "
                                           "hskLevel, simplified, traditional) "
                                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")))
            return false;
        for (int i = 0; i < records.size(); ++i) {
            CharacterRecord& record = records[i];
            for (const QString& part : partsOf.value(record.character))
                record.partIds.append(partIds.value(part));
            QList<int> reversed(record.partIds.crbegin(), record.partIds.crend());
            insert.addBindValue(i + 1);
            insert.addBindValue(record.character);
            insert.addBindValue(record.radicalId);
            insert.addBindValue(record.strokeCount);
            insert.addBindValue(record.frequency);
            insert.addBindValue(record.rank);
            insert.addBindValue(textValue(joinIds(record.partIds)));
            insert.addBindValue(textValue(joinIds(reversed)));
            insert.addBindValue(record.hskLevel);
            insert.addBindValue(textValue(record.simplified));
            insert.addBindValue(textValue(record.traditional));
            if (!writer.run(insert))
                return false;
            recordOf.insert(record.character, &record);
        }
        if (!writer.prepare(
                insert,
                QStringLiteral("INSERT INTO DecompositionParts (id, character) VALUES (?, ?)")))
            return false;
        for (int i = 0; i < partList.size(); ++i) {
            insert.addBindValue(i + 1);
            insert.addBindValue(partList.at(i));
            if (!writer.run(insert))
                return false;
        }
        insert.finish();
        if (!writer.commit())
            return false;
    }
    reportProgress(QStringLiteral("Dictionary: %1 characters, %2 decomposition parts written")
                       .arg(records.size())
                       .arg(partList.size()));

    // Bigrams: two-character words as a share of the whole word corpus.
    {
        QStringList words;
        for (auto it = leiden.cbegin(); it != leiden.cend(); ++it) {
            if (it.key().size() == 2 && isChineseCharacter(it.key().at(0)) &&
                isChineseCharacter(it.key().at(1)) && it.value() > 0)
                words.append(it.key());
        }
        std::sort(words.begin(), words.end());
        QSqlQuery insert;
        if (!writer.begin() ||
            !writer.prepare(
                insert,
                QStringLiteral("INSERT INTO Bigrams (id, simplified, frequency) VALUES (?, ?, ?)")))
            return false;
        for (int i = 0; i < words.size(); ++i) {
            insert.addBindValue(i + 1);
            insert.addBindValue(words.at(i));
            insert.addBindValue(double(leiden.value(words.at(i))) / leidenTotal);
            if (!writer.run(insert))
                return false;
        }
        insert.finish();
        if (!writer.commit())
            return false;
        reportProgress(QStringLiteral("Dictionary: %1 bigrams written").arg(words.size()));
    }

    // Radicals: the 214 Kangxi radicals with reading, meaning and other written forms.
    {
        QSet<QString> mainForms;
        for (const KangxiRadical& radical : kangxi) {
            mainForms.insert(radical.traditional);
            mainForms.insert(radical.simplified);
        }
        QHash<QString, QString> meaningOf;
        QHash<QString, QStringList> variantsOf; // traditional form -> listed variants
        QString current;
        for (const auto& [form, meaning] : radicalMeanings) {
            if (!meaningOf.contains(form))
                meaningOf.insert(form, meaning);
            if (mainForms.contains(form)) {
                current = form;
                for (const KangxiRadical& radical : kangxi) {
                    if (radical.simplified == form && radical.traditional != form)
                        current = radical.traditional;
                }
            } else if (!current.isEmpty() && meaningOf.value(current) == meaning) {
                variantsOf[current].append(form);
            }
        }
        QSqlQuery insert;
        if (!writer.begin() ||
            !writer.prepare(
                insert, QStringLiteral("INSERT INTO Radicals (id, simplified, traditional, pinyin, "
                                       "pinyinMerged, pinyinMergedNoTones, definition, variants, "
                                       "strokeCount) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")))
            return false;
        KnowledgeUnit unit;
        for (const KangxiRadical& radical : kangxi) {
            const UnihanCharacter data = unihan.value(radical.traditional);
            const QString pinyin = markedToNumbered(data.mandarin, true).toLower();
            unit.setPinyin(pinyin);
            QString definition = meaningOf.value(radical.traditional);
            if (definition.isEmpty())
                definition = meaningOf.value(radical.simplified);
            if (definition.isEmpty())
                definition = data.definition.section(QLatin1Char(';'), 0, 0).trimmed();
            QStringList variants;
            for (const QString& form : variantsOf.value(radical.traditional) + radical.symbols) {
                if (form != radical.traditional && form != radical.simplified &&
                    !variants.contains(form))
                    variants.append(form);
            }
            if (pinyin.isEmpty() || definition.isEmpty()) {
                reportError(
                    m_files.unicode(QStringLiteral("CJKRadicals.txt")),
                    QStringLiteral("radical %1 has no reading or meaning").arg(radical.number));
                return false;
            }
            insert.addBindValue(radical.number);
            insert.addBindValue(radical.simplified);
            insert.addBindValue(radical.traditional);
            insert.addBindValue(pinyin);
            insert.addBindValue(unit.pinyinMerged());
            insert.addBindValue(unit.pinyinMergedNoTones());
            insert.addBindValue(definition);
            insert.addBindValue(textValue(variants.join(QLatin1Char(','))));
            insert.addBindValue(data.strokes);
            if (!writer.run(insert))
                return false;
        }
        insert.finish();
        if (!writer.commit())
            return false;
        reportProgress(QStringLiteral("Dictionary: %1 radicals written").arg(kangxi.size()));
    }

    // Sentences in both scripts, ordered by nothing but their file position; the program sorts
    // by the rank of each sentence's rarest character.
    {
        QStringList chinese;
        for (const SentencePair& pair : sentences)
            chinese.append(pair.chinese);
        QStringList simplified;
        QStringList traditional;
        if (!convertScripts(chinese, &simplified, &traditional))
            return false;
        QSqlQuery insert;
        if (!writer.begin() ||
            !writer.prepare(insert,
                            QStringLiteral("INSERT INTO Sentences (id, simplified, traditional, "
                                           "english, characterFrequency, highestCharacterRank, "
                                           "attribution) VALUES (?, ?, ?, ?, ?, ?, ?)")))
            return false;
        for (int i = 0; i < sentences.size(); ++i) {
            double frequencySum = 0;
            int counted = 0;
            int highestRank = 0;
            for (const QString& c : characters(simplified.at(i))) {
                if (c.size() != 1 || !isChineseCharacter(c.at(0)))
                    continue;
                const CharacterRecord* record = recordOf.value(c);
                frequencySum += record ? record->frequency : 0;
                highestRank = std::max(highestRank, record ? record->rank : UnrankedRank);
                ++counted;
            }
            insert.addBindValue(i + 1);
            insert.addBindValue(simplified.at(i));
            insert.addBindValue(traditional.at(i));
            insert.addBindValue(sentences.at(i).english);
            insert.addBindValue(counted > 0 ? frequencySum / counted : 0.0);
            insert.addBindValue(highestRank);
            insert.addBindValue(sentences.at(i).attribution);
            if (!writer.run(insert))
                return false;
        }
        insert.finish();
        if (!writer.commit())
            return false;
        reportProgress(QStringLiteral("Dictionary: %1 sentences written").arg(sentences.size()));
    }

    {
        QSqlQuery insert;
        if (!writer.prepare(
                insert,
                QStringLiteral("INSERT INTO Sources (name, version, licence) VALUES (?, ?, ?)")))
            return false;
        const QStringList sources = {
            QStringLiteral("CC-CEDICT"),
            edition.date().toString(Qt::ISODate),
            QStringLiteral("CC BY-SA 4.0"),
            QStringLiteral("Unihan database"),
            QStringLiteral("Debian unicode-data"),
            QStringLiteral("Unicode License"),
            QStringLiteral("Tatoeba sentences"),
            QStringLiteral("data/sources of the repository"),
            QStringLiteral("CC BY 2.0 FR (attribution in Sentences.attribution)"),
        };
        for (int i = 0; i < sources.size(); i += 3) {
            insert.addBindValue(sources.at(i));
            insert.addBindValue(sources.at(i + 1));
            insert.addBindValue(sources.at(i + 2));
            if (!writer.run(insert))
                return false;
        }
    }

    if (!writer.execute(statementList(std::begin(IndexStatements), std::end(IndexStatements))))
        return false;
    // What the program's searches keep in memory, made here once instead of at every start.
    {
        Dictionary dictionary;
        dictionary.setDatabase(writer.database());
        if (!SearchData::store(&dictionary)) {
            reportError(targetPath, QStringLiteral("the search data could not be written"));
            return false;
        }
    }
    reportProgress(QStringLiteral("Dictionary: search data and indexes made, compacting"));
    if (!writer.finish())
        return false;
    reportProgress(QStringLiteral("Dictionary: done, %1").arg(targetPath));
    return true;
}

} // namespace korvo
