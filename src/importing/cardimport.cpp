#include "importing/cardimport.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"
#include "importing/entrylinker.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profile/profileevents.h"
#include "text/translationcatalogue.h"

#include <QHash>
#include <QSet>
#include <QSignalBlocker>
#include <QSqlError>
#include <QSqlQuery>

#include <memory>

namespace korvo {

namespace {

bool exec(const QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    if (query.exec(statement))
        return true;
    qWarning("Card import: %s failed: %s", qPrintable(statement),
             qPrintable(query.lastError().text()));
    return false;
}

QString cardKey(const QString& characters, const QString& pinyin)
{
    return characters + QChar(0x1F) + pinyin.toLower();
}

QString unitKey(KnowledgeUnit* unit)
{
    return cardKey(unit->simplified().isEmpty() ? unit->traditional() : unit->simplified(),
                   unit->pinyin());
}

// One import between its savepoint and its end: the decks it found or made, the cards each deck
// has, and what it made, so that an import that does not end stored can let go of it again.
class ImportRun
{
public:
    ImportRun(Profile* profile, Dictionary* dictionary, Deck* target)
        : m_profile(profile), m_linker(dictionary, profile), m_target(target)
    {
    }

    bool importCard(const ImportCard& card, const QStringList& path);
    void undo();
    // Announces the changed card lists of the decks that existed before.
    void announce();

    ImportSummary summary;

private:
    struct DeckState
    {
        Deck* deck = nullptr;
        bool existed = false;
        QSet<QString> keys;
        int index = 0; // in summary.decks
    };
    DeckState* deckFor(const QStringList& path);
    KnowledgeUnit* newUserUnit(const ImportCard& card);

    Profile* m_profile;
    EntryLinker m_linker;
    Deck* m_target;
    std::vector<std::unique_ptr<DeckState>> m_states;
    QHash<QString, DeckState*> m_statesByPath;
    // Decks and folders made below ones that existed before: releasing them releases all made.
    QList<Deck*> m_createdTops;
    QList<QPair<Deck*, DeckCard*>> m_addedToExisting;
    // Units inserted by this import, forgotten by the profile's dictionary when it is undone.
    QList<KnowledgeUnit*> m_insertedUnits;
};

ImportRun::DeckState* ImportRun::deckFor(const QStringList& path)
{
    const QString key = path.join(QChar(0x1F));
    if (DeckState* state = m_statesByPath.value(key))
        return state;
    Deck* parent = m_target;
    bool parentCreated = false;
    for (int i = 0; i < path.size(); ++i) {
        const bool folder = i + 1 < path.size();
        Deck* found = nullptr;
        for (Deck* child : parent->children()) {
            if (!child->isDisposed() && child->isFolder() == folder &&
                child->displayTitle() == path.at(i)) {
                found = child;
                break;
            }
        }
        if (!found) {
            found = m_profile->newDeck();
            found->setFolder(folder);
            found->setTitle(path.at(i));
            parent->addChild(found);
            if (!parentCreated)
                m_createdTops << found;
            m_profile->saveDeck(found, false, false);
            if (found->id() < 1)
                return nullptr;
            ++(folder ? summary.createdFolders : summary.createdDecks);
            parentCreated = true;
        }
        parent = found;
    }
    auto state = std::make_unique<DeckState>();
    state->deck = parent;
    state->existed = !parentCreated;
    if (state->existed) {
        const QList<DeckCard*> cards = parent->cards();
        QList<int> unitIds;
        for (DeckCard* card : cards)
            unitIds << card->kuId();
        // One read of the units instead of a query per card.
        if (m_profile->dictionary())
            m_profile->dictionary()->knowledgeUnitsByIds(unitIds);
        for (DeckCard* card : cards) {
            if (KnowledgeUnit* unit = card->knowledgeUnit())
                state->keys.insert(unitKey(unit));
        }
    }
    state->index = int(summary.decks.size());
    summary.decks.append({path, 0, parentCreated});
    DeckState* result = state.get();
    m_states.push_back(std::move(state));
    m_statesByPath.insert(key, result);
    return result;
}

KnowledgeUnit* ImportRun::newUserUnit(const ImportCard& card)
{
    Dictionary* dictionary = m_profile->dictionary();
    if (!dictionary)
        return nullptr;
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setOwner(1);
    unit->setSimplified(card.simplified);
    unit->setTraditional(card.traditional);
    unit->setPinyin(card.pinyin);
    unit->setDefinition(card.definition);
    if (!dictionary->saveKnowledgeUnit(unit) || unit->id() < 1) {
        if (dictionary->knowledgeUnit(unit->id()) != unit)
            delete unit;
        return nullptr;
    }
    m_insertedUnits << unit;
    return unit;
}

bool ImportRun::importCard(const ImportCard& card, const QStringList& path)
{
    if (card.characters().isEmpty()) {
        ++summary.withoutCharacters;
        return true;
    }
    DeckState* state = deckFor(path);
    if (!state)
        return false;
    KnowledgeUnit* entry = m_linker.findEntry(card);
    const QString key = entry ? unitKey(entry) : cardKey(card.characters(), card.pinyin);
    if (state->keys.contains(key)) {
        ++summary.duplicates;
        return true;
    }
    KnowledgeUnit* unit = nullptr;
    if (entry) {
        bool created = false;
        unit = m_linker.profileUnit(entry, &created);
        if (unit && created)
            m_insertedUnits << unit;
    } else {
        unit = newUserUnit(card);
    }
    if (!unit)
        return false;
    DeckCard* deckCard = m_profile->newDeckCard(state->deck->id());
    deckCard->setKnowledgeUnit(unit);
    state->deck->saveCard(deckCard);
    if (deckCard->id() < 1) {
        state->deck->removeCard(deckCard->id());
        deckCard->dispose();
        return false;
    }
    if (state->existed)
        m_addedToExisting.append({state->deck, deckCard});
    ++(entry ? summary.linkedCards : summary.userMadeCards);
    ++summary.decks[state->index].cards;
    state->keys.insert(key);
    return true;
}

void ImportRun::undo()
{
    for (const auto& [deck, card] : std::as_const(m_addedToExisting)) {
        deck->removeCard(card->id());
        card->dispose();
    }
    for (Deck* deck : std::as_const(m_createdTops))
        deck->dispose(true);
    // Their rows are gone: kept under their ids, they would shadow later units of those ids.
    if (Dictionary* dictionary = m_profile->dictionary()) {
        for (KnowledgeUnit* unit : std::as_const(m_insertedUnits)) {
            dictionary->forgetKnowledgeUnit(unit);
            delete unit;
        }
    }
    m_insertedUnits.clear();
}

void ImportRun::announce()
{
    for (const auto& state : m_states) {
        if (state->existed && summary.decks.at(state->index).cards > 0)
            m_profile->notifyDeckCardCollectionChanged(state->deck->id());
    }
}

} // namespace

CardImport::CardImport(Profile* profile, Dictionary* dictionary)
    : m_profile(profile), m_dictionary(dictionary)
{
}

QList<FieldMapping> CardImport::guessMappings(const ImportedFile& file)
{
    QList<FieldMapping> mappings;
    for (int i = 0; i < file.noteTypes.size(); ++i)
        mappings << FieldMapping::guess(file.noteTypes.at(i), file.notes, i);
    return mappings;
}

QStringList CardImport::deckPathOf(const ImportedFile& file, const ImportedNote& note)
{
    if (!note.deckPath.isEmpty())
        return note.deckPath;
    const QString title = file.defaultDeck.trimmed();
    return {title.isEmpty() ? translate(QStringLiteral("Untitled")) : title};
}

KnowledgeUnit* CardImport::previewUnit(const ImportedNote& note, const FieldMapping& mapping)
{
    const ImportCard card = CardFields::fromNote(note, mapping);
    EntryLinker linker(m_dictionary, nullptr);
    if (KnowledgeUnit* entry = linker.findEntry(card))
        return entry->clone();
    auto* unit = new KnowledgeUnit;
    unit->setSimplified(card.simplified);
    unit->setTraditional(card.traditional);
    unit->setPinyin(card.pinyin);
    unit->setDefinition(card.definition);
    return unit;
}

ImportSummary CardImport::run(const ImportedFile& file, const ImportOptions& options,
                              const Progress& progress)
{
    ImportSummary summary;
    const QString notStored =
        translate(QStringLiteral("The cards were not imported: the profile could not store them."));
    Deck* target =
        options.targetFolder ? options.targetFolder : (m_profile ? m_profile->rootDeck() : nullptr);
    if (!m_profile || !target || !file.isValid()) {
        summary.error = file.isValid() ? notStored : file.error;
        return summary;
    }
    // Settings changed just before are written first: the progress bar lets their timer run,
    // and written inside this transaction they would be undone with a cancelled import.
    m_profile->saveSettings();
    QSqlDatabase database = m_profile->database();
    // The deck manager and the session hear of the import once, at its end.
    bool ok = true;
    ImportRun importRun(m_profile, m_dictionary, target);
    // The dictionary is read under one lock for the whole import rather than one per lookup.
    QSqlDatabase dictionaryDatabase =
        m_dictionary && m_dictionary->isOpen() ? m_dictionary->database() : QSqlDatabase();
    if (dictionaryDatabase.isValid())
        beginTransaction(dictionaryDatabase);
    {
        const QSignalBlocker profileSignals(m_profile);
        const QSignalBlocker cardSignals(m_profile->events());
        beginTransaction(database);
        if (!exec(database, QStringLiteral("SAVEPOINT cardImport"))) {
            endTransaction(database);
            if (dictionaryDatabase.isValid())
                endTransaction(dictionaryDatabase);
            summary.error = notStored;
            return summary;
        }
        const int total = int(file.notes.size());
        for (int i = 0; i < total && ok; ++i) {
            if (progress && i % ProgressStep == 0 && !progress(i, total)) {
                importRun.summary.cancelled = true;
                break;
            }
            const ImportedNote& note = file.notes.at(i);
            const ImportCard card =
                CardFields::fromNote(note, options.mappings.value(note.noteType));
            ok = importRun.importCard(card, options.folderPath + deckPathOf(file, note));
        }
        if (ok && progress && !importRun.summary.cancelled && !progress(total, total))
            importRun.summary.cancelled = true;
        const bool keep = ok && !importRun.summary.cancelled && !options.dryRun;
        if (keep && importRun.summary.createdDecks + importRun.summary.createdFolders > 0)
            m_profile->renumberDecks();
        if (keep) {
            exec(database, QStringLiteral("RELEASE cardImport"));
            importRun.summary.stored = endTransaction(database);
            ok = importRun.summary.stored;
        } else {
            exec(database, QStringLiteral("ROLLBACK TO cardImport"));
            exec(database, QStringLiteral("RELEASE cardImport"));
            endTransaction(database);
        }
        if (!importRun.summary.stored)
            importRun.undo();
    }
    if (dictionaryDatabase.isValid())
        endTransaction(dictionaryDatabase);
    summary = importRun.summary;
    if (!ok)
        summary.error = notStored;
    if (summary.stored)
        importRun.announce();
    emit m_profile->deckCollectionChanged();
    return summary;
}

} // namespace korvo
