#include "dictionary_ui/dictionarysearch.h"

#include "dictionary/characterinfo.h"
#include "dictionary/knowledgeunit.h"

using korvo::CharacterInfo;
using korvo::Dictionary;
using korvo::KnowledgeUnit;

namespace {

bool startsWithUpperCase(KnowledgeUnit* unit)
{
    const QString pinyin = unit->pinyin();
    return !pinyin.isEmpty() && pinyin.at(0).isUpper();
}

// The characters of the radical, each once, in the form that carries the radical; a character
// with several entries keeps the first one unless that one is a proper name (capitalised
// pinyin). The characters table numbers a radical in its traditional shape n and in its
// simplified shape n + 1000 (讠 of 说 is 1149, 言 of 說 is 149).
void listRadical(Dictionary* dictionary, KnowledgeUnit* radical, const QString& characterMode,
                 DictionarySearchResult& found, QList<KnowledgeUnit*>& units)
{
    const int radicalNumber = radical->radicalId();
    const auto carries = [&](const QString& form) {
        CharacterInfo* info = form.isEmpty() ? nullptr : dictionary->character(form);
        return info &&
               (info->radicalId == radicalNumber || info->radicalId == radicalNumber + 1000);
    };
    QStringList characters;
    for (int id : {radicalNumber, radicalNumber + 1000}) {
        for (CharacterInfo* info : dictionary->charactersOfRadical(id))
            characters.append(QString(info->character));
    }

    QHash<QString, int> positionOfShown;
    for (KnowledgeUnit* unit : dictionary->knowledgeUnitsForCharacters(characters)) {
        const bool simplified = carries(unit->simplified());
        const bool traditional = carries(unit->traditional());
        int form = -1;
        if (characterMode == QLatin1String("traditional"))
            form = traditional ? 1 : -1;
        else if (characterMode == QLatin1String("simplified"))
            form = simplified ? 0 : -1;
        else if (found.type == Dictionary::Traditional)
            form = traditional ? 1 : (simplified ? 0 : -1);
        else
            form = simplified ? 0 : (traditional ? 1 : -1);
        if (form < 0)
            continue;
        const QString shown = form == 0 ? unit->simplified() : unit->traditional();
        const auto kept = positionOfShown.constFind(shown);
        if (kept == positionOfShown.constEnd()) {
            positionOfShown.insert(shown, int(units.size()));
            units.append(unit);
            found.radicalForms.insert(unit->id(), form);
        } else if (startsWithUpperCase(units.at(*kept))) {
            found.radicalForms.remove(units.at(*kept)->id());
            units[*kept] = unit;
            found.radicalForms.insert(unit->id(), form);
        }
    }
}

} // namespace

QString queryPrefix(const QString& query)
{
    const int colon = int(query.indexOf(QLatin1Char(':')));
    return colon > 0 ? query.left(colon).toLower() : QString();
}

QString queryBody(const QString& query)
{
    const int colon = int(query.indexOf(QLatin1Char(':')));
    return colon > 0 ? query.mid(colon + 1) : query;
}

DictionarySearchResult runSearch(Dictionary* dictionary, const QString& query,
                                 Dictionary::TextType type, const QString& characterMode)
{
    DictionarySearchResult found;
    found.type = type;
    if (queryPrefix(query) != QLatin1String("radical")) {
        const Dictionary::LookupResult lookup = dictionary->lookupRanked(type, query);
        found.type = lookup.type;
        found.results = lookup.ranked;
        return found;
    }

    const QString body = queryBody(query);
    found.radical = body.isEmpty() ? nullptr : dictionary->radicalForCharacter(body.left(1));
    if (!found.radical)
        return found;
    if (type == Dictionary::AutoDetect)
        found.type = body.left(1) == found.radical->simplified() ? Dictionary::Simplified
                                                                 : Dictionary::Traditional;
    QList<KnowledgeUnit*> units;
    // Both scripts shown: each character in the form of the radical asked for, where it has it.
    listRadical(dictionary, found.radical, characterMode, found, units);
    dictionary->rankResults(found.type, query, units);
    found.results = korvo::RankedResults::fromOrderedUnits(units);
    return found;
}
