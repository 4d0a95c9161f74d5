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
// pinyin).
void listRadical(Dictionary* dictionary, KnowledgeUnit* radical, const QString& characterMode,
                 DictionarySearchResult& found)
{
    const int radicalNumber = radical->radicalId();
    QStringList characters;
    for (CharacterInfo* info : dictionary->charactersOfRadical(radicalNumber))
        characters.append(QString(info->character));

    QHash<QString, int> positionOfShown;
    for (KnowledgeUnit* unit : dictionary->knowledgeUnitsForCharacters(characters)) {
        CharacterInfo* info = dictionary->character(unit->simplified());
        if (!info)
            continue;
        const int form = info->radicalId == radicalNumber ? 0 : 1;
        if ((form == 0 && characterMode == QLatin1String("traditional")) ||
            (form == 1 && characterMode == QLatin1String("simplified")))
            continue;
        const QString shown = form == 0 ? unit->simplified() : unit->traditional();
        const auto kept = positionOfShown.constFind(shown);
        if (kept == positionOfShown.constEnd()) {
            positionOfShown.insert(shown, int(found.results.size()));
            found.results.append(unit);
            found.radicalForms.insert(unit->id(), form);
        } else if (startsWithUpperCase(found.results.at(*kept))) {
            found.radicalForms.remove(found.results.at(*kept)->id());
            found.results[*kept] = unit;
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
        const Dictionary::LookupResult lookup = dictionary->lookup(type, query);
        found.type = lookup.type;
        found.results = lookup.units;
        return found;
    }

    const QString body = queryBody(query);
    found.radical = body.isEmpty() ? nullptr : dictionary->radicalForCharacter(body.left(1));
    if (!found.radical)
        return found;
    if (type == Dictionary::AutoDetect)
        found.type = body.left(1) == found.radical->simplified() ? Dictionary::Simplified
                                                                 : Dictionary::Traditional;
    listRadical(dictionary, found.radical, characterMode, found);
    dictionary->rankResults(found.type, query, found.results);
    return found;
}
