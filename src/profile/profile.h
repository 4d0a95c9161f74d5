#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <memory>

namespace korvo {

class Deck;
class DeckCard;
class Dictionary;
class Knowledge;
class KnowledgeUnit;
class ProfileEvents;

// The user's profile: the database "Profile.db" in the profile folder (made from the template
// on first use, upgraded in place), the typed user settings, and the deck tree with its cards.
// The application object owns the one profile; the profile owns the connection "profile", a
// dictionary bound to it for the user's own knowledge units, the practice-history writer, the
// registries that own every deck and card object, and the event object for card and unit
// announcements.
//
// A write of the learner's changes that cannot reach the file (a read-only folder, a full disk)
// is rolled back whole, so nothing already stored is touched; the change stays in memory and is
// tried again before the next write, every RetryInterval ms and when the profile is destroyed.
// The first failure of a run of failures is announced once with writeFailed().
class Profile : public QObject
{
    Q_OBJECT

public:
    static const QString ConnectionName;
    static const QStringList SchemaVersions;
    // Milliseconds between two attempts to write the changes kept after a failed write.
    static constexpr int RetryInterval = 5000;

    // profileFolder holds "Profile.db"; templatePath is the shipped "Profile.default.db".
    Profile(const QString& profileFolder, const QString& templatePath, QObject* parent = nullptr);
    ~Profile() override;

    QString profileFolder() const { return m_profileFolder; }
    QString databasePath() const;
    QSqlDatabase database() const { return m_database; }

    // Creates the file from the template when it is missing, then opens the connection. When
    // the folder or the file cannot be made, the problem goes to the error output and the
    // profile runs on an empty database with every table, in memory if nothing else works.
    void openDatabase();
    // Why openDatabase() fell back on a profile in memory (nothing would be kept): empty when the
    // file is open.
    QString openProblem() const { return m_openProblem; }
    bool isInMemory() const { return !m_openProblem.isEmpty(); }
    QString databaseVersion();
    // Brings the open file to the last schema version, one transaction per version step.
    void upgradeDatabase();

    // Settings: the built-in default wins over the caller's default.
    QVariant setting(const QString& name, const QVariant& defaultValue = QVariant());
    void setSetting(const QString& name, const QVariant& value);
    // Writes the pending settings in one transaction. On failure they stay pending (and are
    // tried again); returns whether they reached the file.
    bool saveSettings();
    QMap<QString, QVariant> settingDefaults() const { return m_settingDefaults; }
    static QString encodeSettingValue(const QVariant& value);
    // The decoded value, or an invalid variant when the type code has no decoding.
    static QVariant decodeSettingValue(int type, const QString& text);

    // Builds the root and loads the deck tree (decks' cards on first use).
    void loadDecks();
    Deck* rootDeck() const { return m_rootDeck; }
    Deck* newDeck();
    DeckCard* newDeckCard(int deckId);
    Deck* deckById(int id);
    DeckCard* deckCardById(int id);
    void collectDecks(QList<Deck*>& out, bool includeFolders);
    void saveDeck(Deck* deck, bool saveCardOrder, bool addToRoot);
    // Deletes the rows of the deck, of everything below it, of their cards and of the user's
    // own units that no other card shows, in one transaction, and releases the objects.
    void deleteDeck(int id);
    // Stores sortOrder (depth-first over the whole tree) and parentId of every deck and folder.
    void renumberDecks();
    // Writes the row of a card of the deck (insert or update). Used by Deck::saveCard.
    void storeCard(Deck* deck, DeckCard* card);
    // Runs `writes` (calls of saveKnowledgeUnit() and of decks' saveCard()) as one transaction:
    // all of them reach the file or none. When one fails, or the commit does, everything is
    // rolled back, the rows inserted lose their ids again, each change is kept to be written by
    // the retry, and the failure is announced like any other. Returns whether it was committed.
    // Inside another writer's transaction the writes simply join it.
    bool saveTogether(const std::function<void()>& writes);
    // Deletes the rows of these cards (and of these user-made units when no card shows them any
    // more) in one transaction. Used by Deck::deleteCard.
    void deleteRows(const QList<int>& cardIds, const QList<int>& unitIds = QList<int>());
    // Stores a knowledge unit of the user's through the profile's dictionary. A unit that cannot
    // be stored now is kept (a new one owned by the profile until it is) and written later;
    // false only without a unit or a dictionary.
    bool saveKnowledgeUnit(KnowledgeUnit* unit);
    QList<int> cardIdsForKnowledgeUnit(int kuId);

    Dictionary* dictionary() const { return m_dictionary.get(); }
    Knowledge* knowledge() const { return m_knowledge.get(); }
    ProfileEvents* events() const { return m_events; }

    // Called by decks and cards when their list of cards changed.
    void notifyDeckCardCollectionChanged(int deckId);

    // Changes kept in memory after a failed write.
    bool hasPendingWrites() const;
    // Tries to write every kept change, in the order the rows depend on each other; returns
    // whether nothing is left. Does nothing inside another writer's transaction.
    bool retryPendingWrites();
    // Other writers of the profile (the practice history) report the outcome of their writes
    // here, so that the learner hears of a failure once, whoever met it.
    void noteWriteFailure(const QString& error);
    void noteWriteSuccess();
    bool isWriteFailureReported() const { return m_writeFailureReported; }

    // Ends a transaction begun with beginTransaction(): commits it when every statement
    // succeeded (`ok`), otherwise rolls the outermost transaction back. A failed statement does
    // not make SQLite's commit fail, so the caller's results decide. Returns whether the
    // changes were committed (always false when not `ok`).
    static bool finishTransaction(QSqlDatabase& database, bool ok);

signals:
    void userSettingChanged(const QString& name);
    // A write failed and the learner has not been told since the last successful write; `error`
    // is the database's message.
    void writeFailed(const QString& error);
    void deckCollectionChanged();
    void deckChanged(int deckId);

public slots:
    void saveUserSettingTimer_timeout() { saveSettings(); }
    void retryTimer_timeout() { retryPendingWrites(); }

private slots:
    void dictionary_knowledgeUnitChanged(korvo::KnowledgeUnit* unit);

private:
    // Rows to delete, kept together until they are gone.
    struct RowDeletion
    {
        QList<int> cardIds;
        QList<int> unitIds;
        QList<int> deckIds;
        bool isEmpty() const { return cardIds.isEmpty() && unitIds.isEmpty() && deckIds.isEmpty(); }
    };
    struct PendingDeck
    {
        QPointer<Deck> deck;
        bool cardOrder = false;
    };
    struct PendingCard
    {
        QPointer<Deck> deck;
        QPointer<DeckCard> card;
    };
    // A write made inside saveTogether(), kept in case the whole has to be undone.
    struct TogetherWrite
    {
        QPointer<KnowledgeUnit> unit;
        PendingCard card;
        bool inserted = false;
    };

    void retryFailedWrites();
    bool writeSettings();
    bool writeUnit(KnowledgeUnit* unit);
    bool writeDeck(Deck* deck);
    // Inserts a row (its new id goes to *insertedId) or updates the row `id` of the table; a
    // failure's message is kept for the learner's notice.
    bool writeRow(const QString& table, bool insert, int id, const QStringList& fields,
                  const QVariantList& values, int* insertedId);
    bool writeCardOrder(Deck* deck);
    bool writeCard(Deck* deck, DeckCard* card);
    bool writeRenumbering();
    bool writeDeletion(const RowDeletion& rows);
    void keepDeck(Deck* deck, bool cardOrder);
    void keepCard(Deck* deck, DeckCard* card);
    void keepUnit(KnowledgeUnit* unit);
    void undoTogetherWrites(const QList<TogetherWrite>& writes);
    bool isNested() const;
    void openFallbackDatabase(const QString& fileName);
    // Runs one upgrade step and stores the version in one transaction; false when the step
    // failed and nothing of it was kept.
    bool upgradeToVersion(const QString& version);
    void upgradeTo2();
    bool upgradeTo3();
    QVariant loadSetting(const QString& name, const QVariant& defaultValue);

    QString m_profileFolder;
    QString m_templatePath;
    QSqlDatabase m_database;
    QString m_databaseVersion;
    QString m_openProblem;

    QMap<QString, QVariant> m_settingDefaults;
    QMap<QString, QVariant> m_settingCache;
    QStringList m_pendingSettings;
    QTimer m_saveUserSettingTimer;

    // Changes whose write failed, tried again by retryPendingWrites().
    QList<QPointer<KnowledgeUnit>> m_pendingUnits;
    QList<PendingDeck> m_pendingDecks;
    QList<PendingCard> m_pendingCards;
    RowDeletion m_pendingDeletion;
    bool m_renumberPending = false;
    bool m_retrying = false;
    // Set while saveTogether() runs its writes; what they wrote, and whether one failed.
    bool m_together = false;
    bool m_togetherFailed = false;
    QList<TogetherWrite> m_togetherWrites;
    bool m_writeFailureReported = false;
    QString m_lastWriteError;
    QTimer m_retryTimer;

    Deck* m_rootDeck = nullptr;
    QList<Deck*> m_deckRegistry;
    QList<DeckCard*> m_cardRegistry;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<Knowledge> m_knowledge;
    ProfileEvents* m_events;
};

} // namespace korvo
