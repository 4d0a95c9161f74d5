#include "profile/decktransfer.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "text/json.h"
#include "text/texthelpers.h"
#include "text/translationcatalogue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

#include <cmath>
#include <limits>

namespace korvo {

namespace {

const char* const OptionNames[] = {"scoreDataIncluded", "deckIdIncluded", "cardIdIncluded",
                                   "creationDateIncluded", "updateDateIncluded"};

bool* optionField(TransferOptions& options, int index)
{
    switch (index) {
    case 0:
        return &options.scoreDataIncluded;
    case 1:
        return &options.deckIdIncluded;
    case 2:
        return &options.cardIdIncluded;
    case 3:
        return &options.creationDateIncluded;
    default:
        return &options.updateDateIncluded;
    }
}

// Values of the wrong type read as the default instead of being converted.
QVariantMap mapValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QVariantList listValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

QString textValue(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QLatin1String(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool boolValue(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QLatin1String(key));
    return value.isValid() && value.toBool();
}

QDateTime dateValue(const QVariantMap& map, const char* key, bool included)
{
    if (!included)
        return QDateTime::currentDateTimeUtc();
    return QDateTime::fromMSecsSinceEpoch(map.value(QLatin1String(key)).toLongLong(), Qt::UTC);
}

// What an import has made so far, so that a failed import can release it again.
struct ImportLog
{
    int maxUnitId = 0;
    int objects = 0;
    int maxObjects = maxImportedObjects;
    bool tooLarge = false;

    // Counts one more deck or card; false once the import has grown past the limit.
    bool admit()
    {
        if (++objects <= maxObjects)
            return true;
        tooLarge = true;
        return false;
    }
};

// A value of a deck file that should be a number: absent (null or missing, the reader's default
// applies), not a number at all (a word, a list: the toolkit's conversion applies, as it always
// has), or a number, finite or not.
struct FileNumber
{
    enum Kind { Absent, NotNumeric, Finite, NonFinite };
    Kind kind = Absent;
    double value = 0;
    qint64 integer = 0;
    bool isInteger = false;
};

FileNumber readFileNumber(const QVariant& variant)
{
    FileNumber number;
    if (!variant.isValid() || variant.isNull())
        return number;
    number.kind = FileNumber::NotNumeric;
    bool ok = false;
    switch (variant.typeId()) {
    case QMetaType::QString: {
        // The JSON reader gives numbers as their text.
        const QString text = variant.toString();
        number.integer = text.toLongLong(&number.isInteger);
        if (number.isInteger) {
            number.kind = FileNumber::Finite;
            number.value = static_cast<double>(number.integer);
            return number;
        }
        // "inf" and "nan" convert; a number too large for a double converts to an infinity but
        // reports failure; a number too small for one converts to 0 and reports failure.
        number.value = text.toDouble(&ok);
        if (std::isnan(number.value) || std::isinf(number.value))
            number.kind = FileNumber::NonFinite;
        else if (ok)
            number.kind = FileNumber::Finite;
        return number;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        number.value = variant.toDouble();
        number.kind = std::isfinite(number.value) ? FileNumber::Finite : FileNumber::NonFinite;
        return number;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        number.integer = variant.toLongLong(&ok);
        if (!ok || (variant.typeId() == QMetaType::ULongLong &&
                    variant.toULongLong() > quint64(std::numeric_limits<qint64>::max()))) {
            number.value = variant.toDouble();
            number.kind = FileNumber::Finite;
            return number;
        }
        number.isInteger = true;
        number.value = static_cast<double>(number.integer);
        number.kind = FileNumber::Finite;
        return number;
    default:
        return number;
    }
}

// Walks a deck tree in file order, checking and normalising what will be stored (see
// checkDeckMap()). Stops at the first value it refuses and describes it in m_message.
class DeckFileChecker
{
public:
    explicit DeckFileChecker(const TransferOptions& options) : m_options(options) {}

    bool checkDeck(QVariantMap& deck);
    bool checkCard(QVariantMap& card, int number, const QString& deckPlace);
    QString message() const { return m_message; }

private:
    bool checkUnit(QVariantMap& unit, const QString& place);
    bool checkDate(QVariantMap& map, const char* key, qint64 maximum, const QString& place);
    // The creation and update dates, where the file says it has them.
    bool checkDates(QVariantMap& map, const QString& place);
    bool checkScore(QVariantMap& map, const QString& place);
    bool refuse(const char* key, const QVariant& value, const QString& place,
                const QString& reason);

    TransferOptions m_options;
    QString m_message;
};

// A text as it may appear inside a message: without unpaired surrogates, at most 40 characters.
QString shortened(QString text)
{
    text = replaceUnpairedSurrogates(text);
    if (text.size() > 40) {
        text.truncate(text.at(38).isHighSurrogate() ? 38 : 39);
        text.append(QChar(0x2026));
    }
    return text;
}

void sanitiseText(QVariantMap& map, const char* key)
{
    const auto it = map.find(QLatin1String(key));
    if (it != map.end() && it.value().typeId() == QMetaType::QString)
        it.value() = replaceUnpairedSurrogates(it.value().toString());
}

bool DeckFileChecker::refuse(const char* key, const QVariant& value, const QString& place,
                             const QString& reason)
{
    m_message = translate(QStringLiteral("The file was not imported: \"%1\" of %2 is \"%3\", %4."))
                    .arg(QLatin1String(key), place, shortened(value.toString()), reason);
    return false;
}

bool DeckFileChecker::checkDate(QVariantMap& map, const char* key, qint64 maximum,
                                const QString& place)
{
    const auto it = map.find(QLatin1String(key));
    if (it == map.end())
        return true;
    const FileNumber number = readFileNumber(it.value());
    if (number.kind == FileNumber::Absent || number.kind == FileNumber::NotNumeric)
        return true;
    const bool inRange = number.isInteger
                             ? number.integer >= 0 && number.integer <= maximum
                             : number.kind == FileNumber::Finite && number.value >= 0 &&
                                   number.value <= static_cast<double>(maximum);
    if (!inRange) {
        return refuse(key, it.value(), place,
                      translate(QStringLiteral("which is not a time between the years 1970 and "
                                               "9999")));
    }
    it.value() = number.isInteger ? number.integer : static_cast<qint64>(number.value);
    return true;
}

bool DeckFileChecker::checkScore(QVariantMap& map, const QString& place)
{
    const auto it = map.find(QStringLiteral("score"));
    if (it == map.end())
        return true;
    const FileNumber number = readFileNumber(it.value());
    if (number.kind == FileNumber::NonFinite) {
        return refuse("score", it.value(), place,
                      translate(QStringLiteral("which is not a finite number")));
    }
    if (number.kind == FileNumber::Finite)
        it.value() = static_cast<float>(qBound(0.0, number.value, double(maxImportedScore)));
    return true;
}

bool DeckFileChecker::checkDates(QVariantMap& map, const QString& place)
{
    return (!m_options.creationDateIncluded ||
            checkDate(map, "creationDate", maxImportedMilliseconds, place)) &&
           (!m_options.updateDateIncluded ||
            checkDate(map, "updateDate", maxImportedMilliseconds, place));
}

bool DeckFileChecker::checkUnit(QVariantMap& unit, const QString& place)
{
    for (const char* key : {"uuid", "simplified", "traditional", "pinyin", "definition"})
        sanitiseText(unit, key);
    if (!checkDates(unit, place))
        return false;
    if (m_options.scoreDataIncluded) {
        if (!checkDate(unit, "lastTimePracticed", maxImportedSeconds, place) ||
            !checkScore(unit, place))
            return false;
    }
    return true;
}

bool DeckFileChecker::checkCard(QVariantMap& card, int number, const QString& deckPlace)
{
    sanitiseText(card, "uuid");
    const QString place = translate(QStringLiteral("card %1 of %2")).arg(number).arg(deckPlace);
    if (!checkDates(card, place))
        return false;
    const auto unit = card.find(QStringLiteral("knowledgeUnit"));
    if (unit == card.end() || unit.value().typeId() != QMetaType::QVariantMap)
        return true;
    QVariantMap unitMap = unit.value().toMap();
    const QString unitPlace =
        translate(QStringLiteral("the entry on card %1 of %2")).arg(number).arg(deckPlace);
    if (!checkUnit(unitMap, unitPlace))
        return false;
    unit.value() = unitMap;
    return true;
}

bool DeckFileChecker::checkDeck(QVariantMap& deck)
{
    sanitiseText(deck, "title");
    sanitiseText(deck, "uuid");
    const bool folder = boolValue(deck, "isFolder");
    QString title = shortened(textValue(deck, "title"));
    if (title.isEmpty())
        title = translate(QStringLiteral("Untitled"));
    const QString place = folder ? translate(QStringLiteral("the folder \"%1\"")).arg(title)
                                 : translate(QStringLiteral("the deck \"%1\"")).arg(title);
    if (!checkDates(deck, place))
        return false;

    // Only the list the reader will walk is checked: children of a folder, cards of a deck.
    const QString listKey = folder ? QStringLiteral("children") : QStringLiteral("cards");
    const auto list = deck.find(listKey);
    if (list == deck.end() || list.value().typeId() != QMetaType::QVariantList)
        return true;
    QVariantList elements = list.value().toList();
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (elements.at(i).typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap element = elements.at(i).toMap();
        const bool ok = folder ? checkDeck(element) : checkCard(element, int(i + 1), place);
        if (!ok)
            return false;
        elements[i] = element;
    }
    list.value() = elements;
    return true;
}

bool readCard(DeckCard* card, const QVariantMap& map, const TransferOptions& options,
              ImportLog* log)
{
    Profile* profile = card->profile();
    card->setUuid(textValue(map, "uuid"));
    card->setCreationDate(dateValue(map, "creationDate", options.creationDateIncluded));
    card->setUpdateDate(dateValue(map, "updateDate", options.updateDateIncluded));

    // Every import makes new units in the profile; nothing is matched by identifier.
    Dictionary* dictionary = profile ? profile->dictionary() : nullptr;
    if (!dictionary)
        return false;
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->fromVariantMap(mapValue(map.value(QStringLiteral("knowledgeUnit"))), options);
    const bool saved = dictionary->saveKnowledgeUnit(unit);
    if (!saved || unit->id() < 1) {
        // Not inserted, so the dictionary did not take it.
        if (dictionary->knowledgeUnit(unit->id()) != unit)
            delete unit;
        return false;
    }
    if (log)
        log->maxUnitId = qMax(log->maxUnitId, unit->id());
    KnowledgeUnit* stored = unit;
    card->setKnowledgeUnit(stored);
    return true;
}

bool readDeck(Deck* deck, const QVariantMap& map, const TransferOptions& options, ImportLog* log)
{
    Profile* profile = deck->profile();
    if (!profile || (log && !log->admit()))
        return false;
    deck->setUuid(textValue(map, "uuid"));
    deck->setTitle(textValue(map, "title"));
    deck->setFolder(boolValue(map, "isFolder"));
    deck->setCreationDate(dateValue(map, "creationDate", options.creationDateIncluded));
    deck->setUpdateDate(dateValue(map, "updateDate", options.updateDateIncluded));
    // "isRoot" is not taken over: the profile has exactly one root, and an imported tree becomes an
    // ordinary folder below the target.

    profile->saveDeck(deck, false, false);
    if (deck->id() < 1)
        return false;

    if (deck->isFolder()) {
        const QVariantList children = listValue(map.value(QStringLiteral("children")));
        for (const QVariant& element : children) {
            if (element.typeId() != QMetaType::QVariantMap)
                continue;
            Deck* child = profile->newDeck();
            deck->addChild(child);
            if (!readDeck(child, element.toMap(), options, log))
                return false;
        }
        return true;
    }

    const QVariantList cards = listValue(map.value(QStringLiteral("cards")));
    for (const QVariant& element : cards) {
        if (element.typeId() != QMetaType::QVariantMap)
            continue;
        if (log && !log->admit())
            return false;
        DeckCard* card = profile->newDeckCard(deck->id());
        if (!readCard(card, element.toMap(), options, log)) {
            card->dispose();
            return false;
        }
        deck->saveCard(card);
        if (card->id() < 1) {
            card->dispose();
            return false;
        }
    }
    return true;
}

bool exec(QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    if (query.exec(statement))
        return true;
    qWarning("Deck import: %s failed: %s", qPrintable(statement),
             qPrintable(query.lastError().text()));
    return false;
}

} // namespace

QVariantMap transferOptionsToMap(const TransferOptions& options)
{
    TransferOptions copy = options;
    QVariantMap map;
    for (int i = 0; i < 5; ++i)
        map.insert(QLatin1String(OptionNames[i]), *optionField(copy, i));
    return map;
}

QVariantMap deckCardToMap(DeckCard* card, const TransferOptions& options)
{
    QVariantMap map;
    if (!card)
        return map;
    if (options.cardIdIncluded)
        map.insert(QStringLiteral("id"), card->id());
    map.insert(QStringLiteral("uuid"), card->uuid());
    map.insert(QStringLiteral("type"), QStringLiteral("Card"));
    KnowledgeUnit* unit = card->knowledgeUnit();
    map.insert(QStringLiteral("knowledgeUnit"), unit ? unit->toVariantMap(options) : QVariantMap());
    if (options.creationDateIncluded)
        map.insert(QStringLiteral("creationDate"), card->creationDate().toMSecsSinceEpoch());
    if (options.updateDateIncluded)
        map.insert(QStringLiteral("updateDate"), card->updateDate().toMSecsSinceEpoch());
    if (options.deckIdIncluded)
        map.insert(QStringLiteral("deckId"), card->deckId());
    return map;
}

QString deckCardToJson(DeckCard* card, const TransferOptions& options)
{
    return QString::fromUtf8(writeJson(deckCardToMap(card, options)));
}

QVariantMap deckToMap(Deck* deck, const TransferOptions& options, bool withHeader)
{
    QVariantMap map;
    if (!deck)
        return map;
    map.insert(QStringLiteral("uuid"), deck->uuid());
    map.insert(QStringLiteral("type"), QStringLiteral("Deck"));
    map.insert(QStringLiteral("title"), deck->displayTitle());
    map.insert(QStringLiteral("isFolder"), deck->isFolder());
    if (options.creationDateIncluded)
        map.insert(QStringLiteral("creationDate"), deck->creationDate().toMSecsSinceEpoch());
    if (options.updateDateIncluded)
        map.insert(QStringLiteral("updateDate"), deck->updateDate().toMSecsSinceEpoch());
    if (deck->isFolder()) {
        QVariantList children;
        const QList<Deck*> decks = deck->children();
        children.reserve(decks.size());
        for (Deck* child : decks)
            children.append(deckToMap(child, options, false));
        map.insert(QStringLiteral("children"), children);
    } else {
        QVariantList cards;
        const QList<DeckCard*> deckCards = deck->cards();
        cards.reserve(deckCards.size());
        // One batched read of the units instead of a query per card.
        QList<int> unitIds;
        unitIds.reserve(deckCards.size());
        for (DeckCard* card : deckCards)
            unitIds.append(card->kuId());
        if (Profile* profile = deck->profile(); profile && profile->dictionary())
            profile->dictionary()->knowledgeUnitsByIds(unitIds);
        for (DeckCard* card : deckCards)
            cards.append(deckCardToMap(card, options));
        map.insert(QStringLiteral("cards"), cards);
    }
    if (deck->isRoot())
        map.insert(QStringLiteral("isRoot"), true);
    if (withHeader)
        map.insert(QStringLiteral("transferOptions"), transferOptionsToMap(options));
    return map;
}

QString deckToJson(Deck* deck, const TransferOptions& options, bool withHeader)
{
    return QString::fromUtf8(writeJson(deckToMap(deck, options, withHeader)));
}

TransferOptions readTransferOptions(const QString& text)
{
    TransferOptions options;
    const QVariantMap top = mapValue(readJson(text));
    const QVariantMap header = mapValue(top.value(QStringLiteral("transferOptions")));
    if (header.isEmpty())
        return options;
    for (int i = 0; i < 5; ++i) {
        const QString name = QLatin1String(OptionNames[i]);
        *optionField(options, i) = header.contains(name) ? header.value(name).toBool() : true;
    }
    return options;
}

bool checkDeckMap(QVariantMap& map, const TransferOptions& options, QString* message)
{
    DeckFileChecker checker(options);
    QVariantMap checked = map;
    if (!checker.checkDeck(checked)) {
        if (message)
            *message = checker.message();
        return false;
    }
    map = checked;
    return true;
}

bool deckCardFromMap(DeckCard* card, const QVariantMap& map, const TransferOptions& options)
{
    if (!card)
        return false;
    QVariantMap checked = map;
    DeckFileChecker checker(options);
    if (!checker.checkCard(checked, 1, QString()))
        return false;
    return readCard(card, checked, options, nullptr);
}

bool deckFromMap(Deck* deck, const QVariantMap& map, const TransferOptions& options)
{
    QVariantMap checked = map;
    return deck && checkDeckMap(checked, options) && readDeck(deck, checked, options, nullptr);
}

bool deckFromJson(Deck* deck, const QString& text, const TransferOptions& options)
{
    // A syntax error anywhere, or a top-level value that is not an object, reads as an empty deck.
    return deckFromMap(deck, mapValue(readJson(text)), options);
}

Deck* importDeckText(Profile* profile, const QString& text, const TransferOptions& options,
                     Deck* parentFolder, int maxObjects, QString* errorMessage)
{
    const QString notStored =
        translate(QStringLiteral("The file was not imported: the profile could not store it."));
    if (!profile) {
        if (errorMessage)
            *errorMessage = notStored;
        return nullptr;
    }
    Deck* target = parentFolder ? parentFolder : profile->rootDeck();
    if (!target) {
        if (errorMessage)
            *errorMessage = notStored;
        return nullptr;
    }

    // Every value is checked before the first row is written.
    QVariantMap map = mapValue(readJson(text));
    if (!checkDeckMap(map, options, errorMessage))
        return nullptr;

    QSqlDatabase database = profile->database();

    // The whole import is one transaction; a savepoint inside it lets a failure undo exactly what
    // the import wrote, even when the caller already has a transaction open.
    beginTransaction(database);
    if (!exec(database, QStringLiteral("SAVEPOINT deckImport"))) {
        endTransaction(database);
        if (errorMessage)
            *errorMessage = notStored;
        return nullptr;
    }

    ImportLog log;
    log.maxObjects = maxObjects;
    Deck* deck = profile->newDeck();
    bool ok = readDeck(deck, map, options, &log);
    if (ok) {
        if (deck->displayTitle().isEmpty())
            deck->setTitle(translate(QStringLiteral("Untitled")));
        profile->saveDeck(deck, false, true);
    }

    if (!ok) {
        exec(database, QStringLiteral("ROLLBACK TO deckImport"));
        exec(database, QStringLiteral("RELEASE deckImport"));
        // The profile's dictionary keeps the units it inserted under their row ids; those ids must
        // not be handed out again, or a later unit would be shadowed by a rolled-back one.
        if (log.maxUnitId > 0) {
            QSqlQuery sequence(database);
            sequence.prepare(QStringLiteral("DELETE FROM sqlite_sequence WHERE name "
                                            "= 'KnowledgeUnits' AND seq < :id"));
            sequence.bindValue(QStringLiteral(":id"), log.maxUnitId);
            sequence.exec();
            sequence.prepare(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT "
                                            "'KnowledgeUnits', :id "
                                            "WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence "
                                            "WHERE name = 'KnowledgeUnits')"));
            sequence.bindValue(QStringLiteral(":id"), log.maxUnitId);
            sequence.exec();
        }
        endTransaction(database);
        // The rows are gone; release the objects that stood for them.
        deck->dispose(false);
        emit profile->deckCollectionChanged();
        if (errorMessage) {
            *errorMessage =
                log.tooLarge
                    ? translate(QStringLiteral("The file was not imported: it holds more than %1 "
                                               "decks and cards."))
                          .arg(maxObjects)
                    : notStored;
        }
        return nullptr;
    }

    exec(database, QStringLiteral("RELEASE deckImport"));
    if (!endTransaction(database)) {
        // The commit failed and was rolled back: nothing of the import is stored.
        deck->dispose(false);
        emit profile->deckCollectionChanged();
        if (errorMessage)
            *errorMessage = notStored;
        return nullptr;
    }

    target->addChild(deck);
    profile->renumberDecks();
    return deck;
}

DeckFileStatus readDeckFile(const QString& fileName, QString* text)
{
    QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists())
        return DeckFileStatus::Missing;
    if (info.size() > maxDeckFileSize)
        return DeckFileStatus::TooLarge;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return DeckFileStatus::Unreadable;
    const QByteArray bytes = file.read(maxDeckFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return DeckFileStatus::Unreadable;
    if (bytes.size() > maxDeckFileSize)
        return DeckFileStatus::TooLarge;
    if (text)
        *text = QString::fromUtf8(bytes);
    return DeckFileStatus::Ok;
}

bool writeDeckFile(Deck* deck, const QString& fileName)
{
    if (!deck || fileName.isEmpty())
        return false;
    bool ok = false;
    const QByteArray json = writeJson(deckToMap(deck, TransferOptions(), false), &ok);
    if (!ok || json.isNull())
        return false;
    // The old file is replaced only when the new one has been written completely.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    // QSaveFile::commit() does not notice a write that the system cut short (disk full, file size
    // limit), so the flush and the size on disk are checked before the old file goes.
    if (file.write(json) != json.size() || !file.flush() || file.error() != QFileDevice::NoError ||
        file.size() != json.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QVariantMap Deck::toMap(const TransferOptions& options, bool withHeader)
{
    return deckToMap(this, options, withHeader);
}

QString Deck::toJson(const TransferOptions& options, bool withHeader)
{
    return deckToJson(this, options, withHeader);
}

bool Deck::fromJson(const QString& text, const TransferOptions& options)
{
    return deckFromJson(this, text, options);
}

bool Deck::fromMap(const QVariantMap& map, const TransferOptions& options)
{
    return deckFromMap(this, map, options);
}

QVariantMap DeckCard::toMap(const TransferOptions& options)
{
    return deckCardToMap(this, options);
}

QString DeckCard::toJson(const TransferOptions& options)
{
    return deckCardToJson(this, options);
}

bool DeckCard::fromMap(const QVariantMap& map, const TransferOptions& options)
{
    return deckCardFromMap(this, map, options);
}

} // namespace korvo
