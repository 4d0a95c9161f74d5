#pragma once

#include "dictionary/characterinfo.h"
#include "dictionary/rankedresults.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSqlQuery;

namespace korvo {

class CharacterTable;
class KnowledgeUnit;
class ResultRanker;
class SimilarEntries;
class UnitSearch;
class WordFrequencies;

// Data access for every table of knowledge units and for the character data shipped with the
// program: the main dictionary (opened on "Dictionary.db", searched and ranked, characters,
// radicals, bigrams, sentences, similar entries) and the profile's dictionary (bound to the
// profile connection, loads and saves the user's own units). Everything loaded is cached for
// the dictionary's lifetime: it owns every knowledge unit and character record it hands out,
// and callers hold borrowed pointers. All texts reach SQL as bound values.
class Dictionary : public QObject
{
    Q_OBJECT

public:
    // The kind of a query text.
    enum TextType {
        Simplified = 0,
        Traditional = 1,
        Pinyin = 2, // names the pinyin field; searches nothing
        PinyinWithTones = 3,
        PinyinWithoutTones = 4,
        English = 5,
        AutoDetect = 6
    };
    Q_ENUM(TextType)

    // What lookup() found: the type it searched (the detected one for AutoDetect), the text it
    // searched for and the ranked units (lookupRanked() fills `ranked` only).
    struct LookupResult
    {
        TextType type = AutoDetect;
        QString query;
        RankedResults ranked;
        QList<KnowledgeUnit*> units;
    };

    explicit Dictionary(QObject* parent = nullptr);
    ~Dictionary() override;

    // Opens an existing SQLite file under the given connection name. A missing or unreadable
    // file leaves the dictionary closed (every query then yields no rows) and returns false.
    bool open(const QString& path, const QString& connectionName = QStringLiteral("dictionary"));
    // Binds to a connection owned by someone else (the profile's); it is never closed here.
    void setDatabase(const QSqlDatabase& database);
    QSqlDatabase database() const { return m_database; }
    bool isOpen() const { return m_database.isOpen(); }

    // Statistics of the frequency tables, read once.
    double minBigramFrequency();
    double maxBigramFrequency();
    double maxCharacterFrequency();

    CharacterInfo* character(QChar c);
    CharacterInfo* character(const QString& text);
    QList<CharacterInfo*> charactersByIds(const QList<int>& ids);
    QList<CharacterInfo*> charactersOfRadical(int radicalId);
    // The components of a character as characters (one per part id; unknown parts skipped).
    QString parts(CharacterInfo* info);

    double bigramFrequency(const QString& word);
    // How common a word is, 0..1, for ranking.
    double frequencyScore(const QString& word);

    KnowledgeUnit* knowledgeUnit(int id);
    QList<KnowledgeUnit*> knowledgeUnitsByIds(const QList<int>& ids);
    // A new unit from the current row; with `cache` the dictionary owns it, else the caller.
    KnowledgeUnit* loadKnowledgeUnit(QSqlQuery& query, bool cache);
    // column 0 = simplified, 1 = traditional; an empty pinyin matches any reading.
    KnowledgeUnit* findKnowledgeUnit(int column, const QString& characters,
                                     const QString& pinyin = QString());
    QList<KnowledgeUnit*> knowledgeUnitsForCharacters(const QStringList& words);
    // Inserts (id below 1) or updates the unit. After an insert the unit has its row id and
    // the dictionary owns it. Returns whether the statement succeeded.
    bool saveKnowledgeUnit(KnowledgeUnit* unit);
    // Whether the unit is one this dictionary owns (handed out from its cache).
    bool owns(const KnowledgeUnit* unit) const;
    // Undoes what an insert by saveKnowledgeUnit() did in memory, after its transaction was
    // rolled back: the unit leaves the caches (the caller owns it again) and has no id.
    void forgetKnowledgeUnit(KnowledgeUnit* unit);

    // Radicals carry their radical id + 10000000; ids of 1000 and above name the simplified
    // form of radical id - 1000.
    KnowledgeUnit* radical(int radicalId);
    KnowledgeUnit* radicalForCharacter(const QString& text);
    // The character that stands for a radical id (traditional form below 1000, simplified
    // form from 1000 on); null when there is no such radical.
    QChar radicalCharacter(int radicalId);
    QChar decompositionPart(int partId);

    // Units whose field for the type contains the text, in database order. Types Pinyin and
    // AutoDetect search nothing. A one-word English text keeps only whole-word matches.
    QList<KnowledgeUnit*> search(TextType type, const QString& text);
    // The ids search() would load, in database order.
    QList<int> searchIds(TextType type, const QString& text);
    // Orders units by how well and how commonly they match the query, best first.
    void rankResults(TextType type, const QString& query, QList<KnowledgeUnit*>& units);
    // Searches like the dictionary screen and ranks: pinyin types search the query lower-cased
    // with tone marks turned into numbers and blanks removed; AutoDetect tries Chinese
    // characters as simplified then traditional, else pinyin with then without tones, and
    // finally English.
    LookupResult lookup(TextType type, const QString& query);
    // The same with the results ordered and loaded only as far as they are asked for (a page at
    // a time), which is what a screen needs; `units` stays empty.
    LookupResult lookupRanked(TextType type, const QString& query);
    // The text a pinyin search looks for: lower case, tone marks as numbers, no blanks or
    // apostrophes.
    static QString normalisedPinyinQuery(const QString& query);

    // Example sentences containing the text (simplified column, else traditional), the most
    // common first; limit 0 or below means no limit.
    QList<Sentence> sentences(const QString& text, int limit = 0);

    // Up to `count` random units of the same length whose field for the type differs from
    // `exclude`; types 0, 1, 2, 5.
    QList<KnowledgeUnit*> randomKnowledgeUnits(TextType type, int count, const QString& exclude,
                                               int length);
    // Characters resembling c: mode "sameRadical" or "sameEnd"; form "simplified",
    // "traditional" or anything else for no restriction. Random order.
    QList<CharacterInfo*> similarCharacters(QChar c, const QString& form, const QString& mode,
                                            int limit);

    // Substring searches of a dictionary opened with open() run over in-memory copies of the
    // searched columns, read from the data build's table SearchData (or made on first use); they
    // return exactly what the LIKE statements return. Off for bound connections. Saving a unit
    // drops the copies.
    void setSearchIndexEnabled(bool enabled);
    bool isSearchIndexEnabled() const;

signals:
    // Declared for the profile, which connects it; not emitted by the operations here.
    void knowledgeUnitChanged(korvo::KnowledgeUnit* unit);
    // Emitted after a stored unit was updated (not after an insert).
    void knowledgeUnitUpdated(int id);

private:
    KnowledgeUnit* syntheticEntry(const QString& characters, const QString& pinyin);
    RankedResults searchRanked(TextType type, const QString& text);
    KnowledgeUnit* cachedUnit(int id) const;
    void cacheUnit(KnowledgeUnit* unit);

    QSqlDatabase m_database;
    QString m_ownedConnection; // name of the connection open() created, empty when bound
    QMap<int, KnowledgeUnit*> m_unitCache;
    // The same units by id, for fast lookups of long result lists: ids below DenseIdLimit
    // (the row ids of the tables) index a flat array, the others a hash.
    QHash<int, KnowledgeUnit*> m_unitsById;
    std::vector<KnowledgeUnit*> m_unitsByDenseId;
    std::unique_ptr<CharacterTable> m_characters;
    std::unique_ptr<WordFrequencies> m_frequencies;
    std::unique_ptr<UnitSearch> m_search;
    std::unique_ptr<ResultRanker> m_ranker;
    std::unique_ptr<SimilarEntries> m_similarEntries;
};

} // namespace korvo
