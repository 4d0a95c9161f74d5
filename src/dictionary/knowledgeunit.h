#pragma once

#include "dictionary/transferoptions.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QSqlQuery;

namespace korvo {

// One vocabulary entry: a dictionary row, a radical, an entry the user typed in, a card's
// content or a row of a deck file. Other forms of the pinyin and of the definitions are
// derived on request and cached. Units handed out by a Dictionary belong to that dictionary's
// cache; units made with clone() or by editors belong to whoever created them.
class KnowledgeUnit : public QObject
{
    Q_OBJECT

public:
    explicit KnowledgeUnit(QObject* parent = nullptr);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    QString simplified() const { return m_simplified; }
    void setSimplified(const QString& text)
    {
        m_simplified = text;
        ++m_revision;
    }
    QString traditional() const { return m_traditional; }
    void setTraditional(const QString& text)
    {
        m_traditional = text;
        ++m_revision;
    }
    // Changes whenever the characters, the pinyin or the definitions change, so that data
    // derived from them and kept elsewhere (the dictionary's ranking data) can tell it is stale.
    quint32 revision() const { return m_revision; }
    int owner() const { return m_owner; }
    void setOwner(int owner);
    int type() const { return m_type; }
    void setType(int type);
    float score() const { return m_score < 0 ? 0.0f : m_score; }
    void setScore(float score) { m_score = score < 0 ? 0.0f : score; }
    qint64 lastTimePracticed() const { return m_lastTimePracticed; }
    void setLastTimePracticed(qint64 seconds) { m_lastTimePracticed = seconds; }
    QStringList variants() const { return m_variants; }
    void setVariants(const QStringList& variants) { m_variants = variants; }

    // Numbered pinyin ("ni3 hao3"), derived from the marked form when only that is set.
    QString pinyin();
    // Sets the numbered form; clears the marked form and the syllable caches.
    void setPinyin(const QString& pinyin);
    // Tone-marked pinyin ("nǐ hǎo"), derived from the numbered form when only that is set.
    QString pinyinWithToneMarks();
    // Sets the marked form; clears the numbered form and the syllable caches.
    void setPinyinWithToneMarks(const QString& pinyin);
    QString pinyinWithToneMarksNoSpaces();
    // pinyin() without spaces ("ni3hao3") and additionally without tones ("nihao").
    QString pinyinMerged();
    QString pinyinMergedNoTones();
    QStringList syllables();
    QStringList syllablesWithToneMarks();

    // The stored "/"-separated definitions with numbered cross-references in brackets.
    QString definition();
    // Stores `text`; a separator other than "/" is turned into "/" with each part trimmed.
    void setDefinition(const QString& text, const QString& separator = QStringLiteral("/"));
    // The definitions one by one, cross-references shown with tone marks.
    QStringList definitions();
    void setDefinitions(const QStringList& definitions);
    // definitions() joined by "; ".
    QString definitionText();

    // Identifier across profiles and deck files; generated on first request.
    QString uuid();
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    // Dates are fixed the first time they are asked for (creation: now; update: creation).
    QDateTime creationDate();
    void setCreationDate(const QDateTime& date) { m_creationDate = date; }
    QDateTime updateDate();
    void setUpdateDate(const QDateTime& date) { m_updateDate = date; }

    // Meaningful for radicals only, whose id is their radical id + 10000000.
    int radicalId() const { return m_id - 10000000; }

    // Fills the unit from the query's current row; columns are found by name.
    void loadFromQuery(QSqlQuery& query);
    QVariantMap toVariantMap(const TransferOptions& options);
    void fromVariantMap(const QVariantMap& map, const TransferOptions& options);
    // Copies content and practice data; id, uuid, type and dates stay.
    void copyFrom(KnowledgeUnit* other);
    // A new parentless unit (owned by the caller) with the content of this one.
    KnowledgeUnit* clone();

private:
    void clearPinyinCaches();

    int m_id = -1;
    quint32 m_revision = 0; // beside the id: ranking reads both of every unit it orders
    QString m_simplified;
    QString m_traditional;
    QString m_pinyinWithToneMarks;
    QString m_definition;
    QStringList m_variants;
    float m_score = 0;
    qint64 m_lastTimePracticed = 0;
    int m_owner = 0;
    QString m_pinyin;
    QStringList m_syllablesWithToneMarks;
    QStringList m_syllables;
    QString m_definitionText;
    QStringList m_definitions;
    bool m_definitionsSplit = false;
    QString m_pinyinMerged;
    QString m_pinyinMergedNoTones;
    QString m_uuid;
    QDateTime m_updateDate;
    QDateTime m_creationDate;
    int m_type = 1;
};

} // namespace korvo
