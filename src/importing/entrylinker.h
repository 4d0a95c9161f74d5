#pragma once

#include "importing/cardfields.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>

namespace korvo {

class Dictionary;
class KnowledgeUnit;
class Profile;

// Finds the dictionary entry an imported card stands for, and the profile's unit for that entry.
// An entry matches by its characters (simplified, else traditional) and its pinyin, compared
// without regard to case (the dictionary capitalises names); a toneless reading matches the
// entry with the same syllables. Without pinyin the most common entry for the characters is
// taken: the first in the dictionary's order that is more than a reference to another entry
// ("variant of", "see", "used in", a surname) and not a name. The profile keeps one unit per
// dictionary entry (owner 0), shared by every card that shows it, as the built-in decks do.
// Borrows the dictionaries; the units it hands out belong to them.
class EntryLinker
{
public:
    // Either dictionary may be missing: without the main one nothing links.
    EntryLinker(Dictionary* dictionary, Profile* profile);

    // The dictionary entry for the card, or none.
    KnowledgeUnit* findEntry(const ImportCard& card);
    // The profile's unit showing the entry: an existing one, else a new one stored now (inside
    // the caller's transaction). None when it cannot be stored. `created` tells which.
    KnowledgeUnit* profileUnit(KnowledgeUnit* entry, bool* created = nullptr);

    // Whether every definition of the text only refers to another entry.
    static bool isOnlyReference(const QString& definition);

private:
    struct Candidate
    {
        int id = 0;
        QString traditional;
        QString pinyin;
        QString definition;
    };
    QList<Candidate> candidates(int column, const QString& characters);
    static int chooseCandidate(const QList<Candidate>& candidates, const ImportCard& card);

    Dictionary* m_dictionary;
    Profile* m_profile;
    QSqlQuery m_bySimplified;
    QSqlQuery m_byTraditional;
    QSqlQuery m_profileUnit;
    // Profile units by dictionary entry id, for this linker's lifetime.
    QHash<int, KnowledgeUnit*> m_units;
};

} // namespace korvo
