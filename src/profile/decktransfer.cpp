#include "profile/decktransfer.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "text/json.h"
#include "text/translationcatalogue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

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

    // Counts one more deck or card; false once the import has grown past the limit.
    bool admit() { return ++objects <= maxObjects; }
};

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

bool deckCardFromMap(DeckCard* card, const QVariantMap& map, const TransferOptions& options)
{
    return card && readCard(card, map, options, nullptr);
}

bool deckFromMap(Deck* deck, const QVariantMap& map, const TransferOptions& options)
{
    return deck && readDeck(deck, map, options, nullptr);
}

bool deckFromJson(Deck* deck, const QString& text, const TransferOptions& options)
{
    // A syntax error anywhere, or a top-level value that is not an object, reads as an empty deck.
    return deckFromMap(deck, mapValue(readJson(text)), options);
}

Deck* importDeckText(Profile* profile, const QString& text, const TransferOptions& options,
                     Deck* parentFolder, int maxObjects)
{
    if (!profile)
        return nullptr;
    Deck* target = parentFolder ? parentFolder : profile->rootDeck();
    if (!target)
        return nullptr;
    QSqlDatabase database = profile->database();

    // The whole import is one transaction; a savepoint inside it lets a failure undo exactly what
    // the import wrote, even when the caller already has a transaction open.
    beginTransaction(database);
    if (!exec(database, QStringLiteral("SAVEPOINT deckImport"))) {
        endTransaction(database);
        return nullptr;
    }

    ImportLog log;
    log.maxObjects = maxObjects;
    Deck* deck = profile->newDeck();
    bool ok = readDeck(deck, mapValue(readJson(text)), options, &log);
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
        return nullptr;
    }

    exec(database, QStringLiteral("RELEASE deckImport"));
    if (!endTransaction(database)) {
        // The commit failed and was rolled back: nothing of the import is stored.
        deck->dispose(false);
        emit profile->deckCollectionChanged();
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
