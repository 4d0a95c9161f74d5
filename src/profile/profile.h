#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

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
class Profile : public QObject
{
    Q_OBJECT

public:
    static const QString ConnectionName;
    static const QStringList SchemaVersions;

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
    QString databaseVersion();
    // Brings the open file to the last schema version, one transaction per version step.
    void upgradeDatabase();

    // Settings: the built-in default wins over the caller's default.
    QVariant setting(const QString& name, const QVariant& defaultValue = QVariant());
    void setSetting(const QString& name, const QVariant& value);
    // Writes the pending settings in one transaction.
    void saveSettings();
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
    void deleteDeck(int id);
    // Stores sortOrder (depth-first over the whole tree) and parentId of every deck and folder.
    void renumberDecks();
    QList<int> cardIdsForKnowledgeUnit(int kuId);

    Dictionary* dictionary() const { return m_dictionary.get(); }
    Knowledge* knowledge() const { return m_knowledge.get(); }
    ProfileEvents* events() const { return m_events; }

    // Called by decks and cards when their list of cards changed.
    void notifyDeckCardCollectionChanged(int deckId);

signals:
    void userSettingChanged(const QString& name);
    void deckCollectionChanged();
    void deckChanged(int deckId);

public slots:
    void saveUserSettingTimer_timeout() { saveSettings(); }

private slots:
    void dictionary_knowledgeUnitChanged(korvo::KnowledgeUnit* unit);

private:
    void openFallbackDatabase(const QString& fileName);
    void upgradeToVersion(const QString& version);
    void upgradeTo2();
    QVariant loadSetting(const QString& name, const QVariant& defaultValue);

    QString m_profileFolder;
    QString m_templatePath;
    QSqlDatabase m_database;
    QString m_databaseVersion;

    QMap<QString, QVariant> m_settingDefaults;
    QMap<QString, QVariant> m_settingCache;
    QStringList m_pendingSettings;
    QTimer m_saveUserSettingTimer;

    Deck* m_rootDeck = nullptr;
    QList<Deck*> m_deckRegistry;
    QList<DeckCard*> m_cardRegistry;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<Knowledge> m_knowledge;
    ProfileEvents* m_events;
};

} // namespace korvo
