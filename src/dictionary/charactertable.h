#pragma once

#include "dictionary/characterinfo.h"

#include <QChar>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

class QSqlQuery;

namespace korvo {

class Dictionary;
class KnowledgeUnit;

// The character data of a dictionary: records of the Characters table (the most frequent read
// up front, the rest when asked for), the radicals and the decomposition parts. Owned by its
// Dictionary, whose connection it reads; it owns every record and radical it hands out.
class CharacterTable
{
public:
    explicit CharacterTable(Dictionary* dictionary);
    ~CharacterTable();
    CharacterTable(const CharacterTable&) = delete;
    CharacterTable& operator=(const CharacterTable&) = delete;

    CharacterInfo* character(QChar c);
    QList<CharacterInfo*> charactersByIds(const QList<int>& ids);
    QList<CharacterInfo*> charactersOfRadical(int radicalId);
    QString parts(CharacterInfo* info);

    KnowledgeUnit* radical(int radicalId);
    KnowledgeUnit* radicalForCharacter(const QString& text);
    QChar radicalCharacter(int radicalId);
    QChar decompositionPart(int partId);

private:
    CharacterInfo* cacheCharacter(QSqlQuery& query);
    void preloadCharacters();
    void loadRadicals();

    Dictionary* m_dictionary;
    QMap<QChar, CharacterInfo*> m_characterCache;
    QHash<int, CharacterInfo*> m_charactersById;
    bool m_charactersPreloaded = false;
    // Characters known to have no row, so that ranking does not ask again.
    QSet<QChar> m_missingCharacters;
    QMap<int, KnowledgeUnit*> m_radicals;
    bool m_radicalsLoaded = false;
    QList<QChar> m_decompositionParts;
    bool m_decompositionPartsLoaded = false;
};

} // namespace korvo
