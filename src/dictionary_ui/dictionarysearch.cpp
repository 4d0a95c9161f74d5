#include "dictionary_ui/dictionarysearch.h"

#include "dictionary/characterinfo.h"
#include "dictionary/knowledgeunit.h"
#include "reader/characterclass.h"
#include "reader/pinyinsegmenter.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtableloader.h"
#include "text/pinyin.h"

#include <algorithm>

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

// The entries of the query's words, word by word, each word's entries in the dictionary's
// order with the one the segmenter matched first; nothing for a query of one word. `type` is
// what the query was searched as: a query with Chinese characters is read as characters, one
// that is pinyin (unless searched as English only) as syllables.
void readAsWords(Dictionary* dictionary, const QString& query, Dictionary::TextType type,
                 DictionarySearchResult& found)
{
    QList<QList<int>> unitsOfWords;
    const Dictionary::TextType searchedAs = found.type;
    const bool characters = std::any_of(query.cbegin(), query.cend(), [](QChar c) {
        return c.isHighSurrogate() || korvo::isHanCharacter(c.unicode());
    });
    if (characters && type != Dictionary::English) {
        const korvo::WordSegmenter segmenter(
            korvo::WordTableLoader::loadForText(dictionary->database(), query));
        QStringList words;
        QList<int> matched;
        for (const korvo::TextSegment& segment : segmenter.segment(query)) {
            if (segment.isChinese()) {
                words << segment.textIn(query).toString();
                matched << segment.unitId;
            }
        }
        if (words.size() < 2)
            return;
        QHash<QString, QList<int>> idsOfWord;
        for (KnowledgeUnit* unit : dictionary->knowledgeUnitsForCharacters(words)) {
            idsOfWord[unit->simplified()] << unit->id();
            if (unit->traditional() != unit->simplified())
                idsOfWord[unit->traditional()] << unit->id();
        }
        for (qsizetype i = 0; i < words.size(); ++i) {
            QList<int> ids = idsOfWord.value(words.at(i));
            if (ids.removeOne(matched.at(i)))
                ids.prepend(matched.at(i));
            found.words << words.at(i);
            unitsOfWords << ids;
        }
        found.type = type == Dictionary::Traditional ? type : Dictionary::Simplified;
    } else if (!characters &&
               (type == Dictionary::AutoDetect || type == Dictionary::PinyinWithTones ||
                type == Dictionary::PinyinWithoutTones)) {
        for (const korvo::PinyinWord& word :
             korvo::PinyinSegmenter::segment(dictionary->database(), query)) {
            if (word.characters.isEmpty()) {
                found.words.clear(); // a syllable no word has: no reading of the whole
                return;
            }
            found.words << word.characters;
            unitsOfWords << word.unitIds;
        }
        const QString pinyin = Dictionary::normalisedPinyinQuery(query);
        found.type = korvo::removeToneNumbers(pinyin) != pinyin ? Dictionary::PinyinWithTones
                                                                : Dictionary::PinyinWithoutTones;
    }
    if (found.words.size() < 2) {
        found.words.clear();
        found.type = searchedAs;
        return;
    }
    QList<int> ids;
    for (const QList<int>& word : std::as_const(unitsOfWords)) {
        for (int id : word) {
            if (!ids.contains(id))
                ids << id;
        }
    }
    found.results = korvo::RankedResults::fromOrderedUnits(dictionary->knowledgeUnitsByIds(ids));
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
        if (found.results.size() == 0)
            readAsWords(dictionary, query, type, found);
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
