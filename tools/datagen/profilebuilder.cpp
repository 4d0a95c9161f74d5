#include "profilebuilder.h"

#include "databasewriter.h"
#include "readingchooser.h"
#include "sourceparsers.h"

#include "profile/profileschema.h"
#include "text/pinyin.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>

namespace korvo {

namespace {

const char* const HskDeckUuids[] = {
    "f5641dce649f957cc0f40e313df88150", "4589742a62e4496be4ee5bac56873159",
    "57f8123f41afbe6e3e3b3c75cc714369", "151d8cae41ecadb2883e1347026b6c10",
    "d53a76e425f3477565785138602a627e", "0b8630c3e6e3a5c113b611faf39d1c69",
};
const char* const CommonDeckUuids[] = {
    "4eb08883c9c4c3478ae0ea97ccabb98a", "94530da6bc3cf5e7495f43ce93e3e293",
    "fbc51e7c9c54013dc335cc565918abf0", "3f7df1b3e369677d26d33488a95b8734",
    "0eef96350c2ec4e1f6dc9735e98bf213",
};
const int CommonDeckSizes[] = {100, 250, 500, 1000, 2000};

const char* const SourceConnection = "datagen:source-dictionary";

// Identifiers of the same form as the program's own, but derived from a fixed key so that the
// template is the same on every build.
QString stableUuid(const QString& key)
{
    QString text = QString::fromLatin1(
        QCryptographicHash::hash(QStringLiteral("quillet-template/%1").arg(key).toUtf8(),
                                 QCryptographicHash::Md5)
            .toBase64());
    text.chop(2);
    text.replace(QLatin1Char('/'), QLatin1Char('e')).replace(QLatin1Char('+'), QLatin1Char('h'));
    return text;
}

// A reading in the stored form: lower case, "u:" for ü, "5" for the neutral tone.
QString storedReading(QString reading)
{
    reading = reading.toLower();
    reading.replace(QLatin1Char('v'), QLatin1String("u:"));
    reading.replace(QStringLiteral("ü"), QLatin1String("u:"));
    if (!reading.isEmpty() && !reading.back().isDigit())
        reading += QLatin1Char('5');
    return reading;
}

// Entries that are only pointers to other entries or name senses make poor cards.
bool isSecondarySense(const QString& definition)
{
    static const QStringList prefixes = {
        QStringLiteral("surname "),        QStringLiteral("variant of "),
        QStringLiteral("old variant of "), QStringLiteral("see "),
        QStringLiteral("used in "),        QStringLiteral("erhua variant of "),
        QStringLiteral("(archaic)"),       QStringLiteral("Japanese variant of "),
        QStringLiteral("(old)"),
    };
    for (const QString& prefix : prefixes) {
        if (definition.startsWith(prefix, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Writes the decks, cards and units of the template, copying units from the dictionary.
struct TemplateWriter
{
    TemplateWriter(DatabaseWriter& writer, QSqlDatabase dictionary,
                   const QVector<CedictEntry>& entries,
                   const QHash<QString, UnihanCharacter>& unihan, const ReadingChooser& readings,
                   qint64 date)
        : writer(writer), dictionary(dictionary), entries(entries), unihan(unihan),
          readings(readings), date(date)
    {
    }

    DatabaseWriter& writer;
    QSqlDatabase dictionary;
    const QVector<CedictEntry>& entries;
    const QHash<QString, UnihanCharacter>& unihan;
    const ReadingChooser& readings;
    qint64 date = 0;
    QSqlQuery insertDeck;
    QSqlQuery insertCard;
    QSqlQuery insertUnit;
    QSqlQuery findEntries;
    QHash<QString, int> unitIds; // source key -> template unit id
    int deckCount = 0;
    int cardCount = 0;

    bool prepare()
    {
        findEntries = QSqlQuery(dictionary);
        if (!findEntries.prepare(
                QStringLiteral("SELECT id, pinyin, definition, traditional FROM KnowledgeUnits "
                               "WHERE simplified = ? ORDER BY id"))) {
            reportError(dictionary.databaseName(), findEntries.lastError().text());
            return false;
        }
        return writer.prepare(
                   insertDeck,
                   QStringLiteral("INSERT INTO Decks (title, sortOrder, owner, parentId, "
                                  "isFolder, uuid, creationDate, updateDate) "
                                  "VALUES (?, ?, 0, ?, ?, ?, ?, ?)")) &&
               writer.prepare(
                   insertCard,
                   QStringLiteral("INSERT INTO Cards (deckId, kuId, sortOrder, uuid, "
                                  "creationDate, updateDate) VALUES (?, ?, ?, ?, ?, ?)")) &&
               writer.prepare(insertUnit,
                              QStringLiteral("INSERT INTO KnowledgeUnits (uuid, simplified, "
                                             "traditional, pinyin, pinyinMerged, "
                                             "pinyinMergedNoTones, definition, score, "
                                             "lastTimePracticed, owner, variants, creationDate, "
                                             "updateDate) VALUES (?, ?, ?, ?, ?, ?, ?, 0, 0, 0, ?, "
                                             "?, ?)"));
    }

    int addDeck(const QString& title, int sortOrder, int parentId, bool folder, const QString& uuid)
    {
        for (const QVariant& value :
             QVariantList{title, sortOrder, parentId, folder ? 1 : 0, uuid, date, date})
            insertDeck.addBindValue(value);
        if (!writer.run(insertDeck))
            return -1;
        ++deckCount;
        return insertDeck.lastInsertId().toInt();
    }

    bool addCard(int deckId, const QString& deckUuid, int sortOrder, int unitId)
    {
        for (const QVariant& value : QVariantList{
                 deckId, unitId, sortOrder,
                 stableUuid(QStringLiteral("card/%1/%2").arg(deckUuid).arg(sortOrder)), date, date})
            insertCard.addBindValue(value);
        ++cardCount;
        return writer.run(insertCard);
    }

    // The template unit copied from a row of the dictionary's `table`; -1 on failure.
    int copyUnit(const QString& table, int sourceId)
    {
        const QString key = table + QLatin1Char('/') + QString::number(sourceId);
        const auto known = unitIds.constFind(key);
        if (known != unitIds.cend())
            return *known;
        QSqlQuery row(dictionary);
        row.prepare(QStringLiteral("SELECT * FROM %1 WHERE id = ?").arg(table));
        row.addBindValue(sourceId);
        if (!row.exec() || !row.next()) {
            reportError(dictionary.databaseName(),
                        QStringLiteral("row %1 of %2 cannot be read").arg(sourceId).arg(table));
            return -1;
        }
        const QSqlRecord record = row.record();
        insertUnit.addBindValue(stableUuid(QStringLiteral("unit/") + key));
        for (const char* column : {"simplified", "traditional", "pinyin", "pinyinMerged",
                                   "pinyinMergedNoTones", "definition", "variants"})
            insertUnit.addBindValue(record.value(QLatin1String(column)).toString());
        insertUnit.addBindValue(date);
        insertUnit.addBindValue(date);
        if (!writer.run(insertUnit))
            return -1;
        const int id = insertUnit.lastInsertId().toInt();
        unitIds.insert(key, id);
        return id;
    }

    // The dictionary entry that best stands for a word on a card: a common reading rather than
    // a name or a cross-reference; 0 when the dictionary has no entry for the word.
    // Whether each traditional character is the simplified one or one of its usual
    // traditional forms.
    bool isUsualTraditional(const QString& simplified, const QString& traditional) const
    {
        const QStringList s = characters(simplified);
        const QStringList t = characters(traditional);
        if (s.size() != t.size())
            return false;
        for (int i = 0; i < s.size(); ++i) {
            if (s.at(i) != t.at(i) && !unihan.value(s.at(i)).traditionalVariants.contains(t.at(i)))
                return false;
        }
        return true;
    }

    // A character's readings weigh by how often each is met. The characters of a word keep
    // those weights only lightly: a word read with a neutral tone after its first syllable is
    // the everyday word beside a literal compound of full tones (告诉 gào su "to tell" beside
    // gào sù "to press charges"), however rare the neutral reading of the character is.
    int readingScore(const QString& word, const QString& pinyin, const QString& commonReading) const
    {
        const double share = readings.readingShare(word, pinyin);
        if (characters(word).size() == 1)
            return int(600 * share) + (pinyin == commonReading ? 200 : 0);
        const int afterFirst = pinyin.indexOf(QLatin1Char(' '));
        const bool neutral = afterFirst > 0 && pinyin.mid(afterFirst).contains(QLatin1Char('5'));
        return int(200 * share) + (neutral ? 500 : 0);
    }

    // The entry of the reading learners meet most, among those that are not names, pointers
    // or literary senses; the reviewed reading of the word on its HSK level (1-6, 0 for the
    // common characters) first.
    int bestEntry(const QString& word, const QString& commonReading, int hskLevel)
    {
        findEntries.addBindValue(word);
        if (!findEntries.exec())
            return 0;
        const QString reviewed = readings.reviewedReading(hskLevel, word);
        int best = 0;
        int bestScore = -1;
        while (findEntries.next()) {
            const int id = findEntries.value(0).toInt();
            const QString pinyin = findEntries.value(1).toString();
            const QString definition = findEntries.value(2).toString();
            const QString published =
                id > 0 && id <= entries.size() ? entries.at(id - 1).pinyin : QString();
            int score = 0;
            if (!reviewed.isEmpty() && pinyin.compare(reviewed, Qt::CaseInsensitive) == 0)
                score += 8000;
            if (!published.isEmpty() && !published.at(0).isUpper())
                score += 2000; // not a proper noun
            if (!isSecondarySense(definition))
                score += 1000;
            if (definition.startsWith(QLatin1String("(literary)")))
                score -= 300;
            score += readingScore(word, pinyin.toLower(), commonReading);
            if (isUsualTraditional(word, findEntries.value(3).toString()))
                score += 100; // not a rare variant form
            // Among equals, the entry with more senses is usually the everyday word.
            score += std::min<int>(99, definition.count(QLatin1Char('/')));
            if (score > bestScore) {
                best = id;
                bestScore = score;
            }
        }
        findEntries.finish();
        return best;
    }
};

} // namespace

ProfileBuilder::ProfileBuilder(const SourceFiles& files) : m_files(files) {}

bool ProfileBuilder::build(const QString& dictionaryPath, const QString& targetPath)
{
    QVector<CedictEntry> entries;
    QDateTime edition;
    QVector<JundaCharacter> junda;
    QVector<QStringList> hskLevels;
    QHash<QString, UnihanCharacter> unihan;
    QHash<QString, int> readingCounts;
    QHash<QString, QString> reviewedReadings;
    if (!readCedict(m_files, &entries, &edition) || !readJunda(m_files, &junda) ||
        !readHskLevels(m_files, &hskLevels) || !readUnihan(m_files, &unihan) ||
        !readReadingCounts(m_files, &readingCounts) ||
        !readReviewedReadings(m_files, &reviewedReadings))
        return false;
    const ReadingChooser readings(readingCounts, reviewedReadings);
    if (!QFileInfo::exists(dictionaryPath)) {
        reportError(dictionaryPath, QStringLiteral("is missing; build the dictionary first"));
        return false;
    }
    // The customary reading of each character, for choosing among a character's entries.
    QHash<QString, QString> commonReading;
    for (auto it = unihan.cbegin(); it != unihan.cend(); ++it) {
        if (!it->mandarin.isEmpty())
            commonReading.insert(it.key(), storedReading(markedToNumbered(it->mandarin, true)));
    }

    bool ok = false;
    {
        QSqlDatabase dictionary =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(SourceConnection));
        dictionary.setDatabaseName(dictionaryPath);
        dictionary.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!dictionary.open()) {
            reportError(dictionaryPath, dictionary.lastError().text());
        } else {
            DatabaseWriter writer(targetPath);
            TemplateWriter t(writer, dictionary, entries, unihan, readings,
                             edition.toMSecsSinceEpoch());
            ok = writer.open() && createProfileSchema(writer.database()) && writer.begin() &&
                 t.prepare();
            QStringList missing;

            // HSK levels, in one folder.
            const int hskFolder = ok ? t.addDeck(QStringLiteral("{HSK_DECKS}"), 0, 0, true,
                                                 QStringLiteral("com.quillet.hsk"))
                                     : -1;
            ok = ok && hskFolder > 0;
            for (int level = 0; ok && level < 6; ++level) {
                const QString uuid = QString::fromLatin1(HskDeckUuids[level]);
                const int deck = t.addDeck(QStringLiteral("{HSK_%1}").arg(level + 1), level,
                                           hskFolder, false, uuid);
                ok = deck > 0;
                int order = 0;
                for (const QString& word : hskLevels.at(level)) {
                    if (!ok)
                        break;
                    const int entry = t.bestEntry(
                        word, word.size() == 1 ? commonReading.value(word) : QString(), level + 1);
                    if (entry == 0) {
                        missing.append(word);
                        continue;
                    }
                    const int unit = t.copyUnit(QStringLiteral("KnowledgeUnits"), entry);
                    ok = unit > 0 && t.addCard(deck, uuid, order++, unit);
                }
            }

            // The most common characters, each deck holding the ones before it too.
            const int commonFolder =
                ok ? t.addDeck(QStringLiteral("{COMMON_CHARACTER_DECKS}"), 1, 0, true,
                               QStringLiteral("com.quillet.commonCharacters"))
                   : -1;
            ok = ok && commonFolder > 0;
            for (int d = 0; ok && d < 5; ++d) {
                const QString uuid = QString::fromLatin1(CommonDeckUuids[d]);
                const int deck =
                    t.addDeck(QStringLiteral("{COMMON_CHARACTERS_%1}").arg(CommonDeckSizes[d]), d,
                              commonFolder, false, uuid);
                ok = deck > 0;
                int order = 0;
                for (const JundaCharacter& c : junda) {
                    if (!ok || order >= CommonDeckSizes[d])
                        break;
                    const int entry = t.bestEntry(c.character, commonReading.value(c.character), 0);
                    if (entry == 0) {
                        missing.append(c.character);
                        continue;
                    }
                    const int unit = t.copyUnit(QStringLiteral("KnowledgeUnits"), entry);
                    ok = unit > 0 && t.addCard(deck, uuid, order++, unit);
                }
            }

            // The radicals.
            const QString radicalUuid = stableUuid(QStringLiteral("deck/radicals"));
            const int radicalDeck =
                ok ? t.addDeck(QStringLiteral("{CHINESE_RADICALS}"), 2, 0, false, radicalUuid) : -1;
            ok = ok && radicalDeck > 0;
            for (int radical = 1; ok && radical <= 214; ++radical) {
                const int unit = t.copyUnit(QStringLiteral("Radicals"), radical);
                ok = unit > 0 && t.addCard(radicalDeck, radicalUuid, radical - 1, unit);
            }
            t.insertDeck = QSqlQuery();
            t.insertCard = QSqlQuery();
            t.insertUnit = QSqlQuery();
            t.findEntries = QSqlQuery();
            ok = ok && writer.commit();
            if (ok)
                reportProgress(QStringLiteral("Profile template: %1 decks and folders, %2 cards, "
                                              "%3 knowledge units; without dictionary entry: %4")
                                   .arg(t.deckCount)
                                   .arg(t.cardCount)
                                   .arg(t.unitIds.size())
                                   .arg(missing.isEmpty() ? QStringLiteral("none")
                                                          : missing.join(QLatin1Char(' '))));
            ok = ok && writer.finish();
        }
        dictionary.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(SourceConnection));
    if (ok)
        reportProgress(QStringLiteral("Profile template: done, %1").arg(targetPath));
    return ok;
}

} // namespace korvo
