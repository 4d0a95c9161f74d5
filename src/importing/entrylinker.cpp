#include "importing/entrylinker.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/profile.h"
#include "text/pinyin.h"

#include <QRegularExpression>

namespace korvo {

namespace {

// Definitions that only send the reader elsewhere.
const QRegularExpression& referencePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\(?(old|archaic|erhua|japanese|unofficial|ancient|same as|also "
                       "written|variant|see|used in|surname|abbr\\.? for|abbr\\.? of|"
                       "(\\w+ )?variant of)\\b)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// A reading compared without case, blanks and tones, ü in one spelling.
QString toneless(const QString& pinyin)
{
    QString result;
    for (const QChar c : pinyin.toLower()) {
        if (!c.isSpace() && !(c >= QLatin1Char('1') && c <= QLatin1Char('5')))
            result.append(c);
    }
    return result;
}

bool isName(const QString& pinyin)
{
    return !pinyin.isEmpty() && pinyin.at(0).isUpper();
}

} // namespace

EntryLinker::EntryLinker(Dictionary* dictionary, Profile* profile)
    : m_dictionary(dictionary), m_profile(profile)
{
    if (m_dictionary && m_dictionary->isOpen()) {
        m_bySimplified = QSqlQuery(m_dictionary->database());
        m_bySimplified.prepare(QStringLiteral("SELECT id, traditional, pinyin, definition FROM "
                                              "KnowledgeUnits WHERE simplified = :characters "
                                              "ORDER BY id"));
        m_byTraditional = QSqlQuery(m_dictionary->database());
        m_byTraditional.prepare(QStringLiteral("SELECT id, traditional, pinyin, definition FROM "
                                               "KnowledgeUnits WHERE traditional = :characters "
                                               "ORDER BY id"));
    }
    if (m_profile) {
        m_profileUnit = QSqlQuery(m_profile->database());
        m_profileUnit.prepare(QStringLiteral(
            "SELECT id FROM KnowledgeUnits WHERE owner = 0 AND simplified = :simplified AND "
            "traditional = :traditional AND pinyin = :pinyin ORDER BY id LIMIT 1"));
    }
}

bool EntryLinker::isOnlyReference(const QString& definition)
{
    const QStringList parts = definition.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (!referencePattern().match(part).hasMatch())
            return false;
    }
    return true;
}

QList<EntryLinker::Candidate> EntryLinker::candidates(int column, const QString& characters)
{
    QList<Candidate> found;
    QSqlQuery& query = column == 0 ? m_bySimplified : m_byTraditional;
    if (characters.isEmpty() || query.lastQuery().isEmpty())
        return found;
    query.bindValue(QStringLiteral(":characters"), characters);
    if (!query.exec())
        return found;
    while (query.next())
        found.append({query.value(0).toInt(), query.value(1).toString(), query.value(2).toString(),
                      query.value(3).toString()});
    query.finish();
    return found;
}

int EntryLinker::chooseCandidate(const QList<Candidate>& candidates, const ImportCard& card)
{
    // Those whose reading fits; all when the card has none. The entries' readings are compared
    // as stored first, and only when none fits in the form the card's was brought to (names
    // carry a "·", phrases a comma).
    QList<int> fitting;
    const QString reading = card.pinyin.toLower();
    const QString plain = toneless(card.pinyin);
    auto fits = [&](const QString& pinyin) {
        return card.pinyinHasTones ? pinyin.toLower() == reading : toneless(pinyin) == plain;
    };
    for (int pass = 0; pass < 2 && fitting.isEmpty(); ++pass) {
        for (int i = 0; i < candidates.size(); ++i) {
            const QString& pinyin = candidates.at(i).pinyin;
            if (reading.isEmpty() ||
                fits(pass == 0 ? pinyin : CardFields::normalisedPinyin(pinyin)))
                fitting << i;
        }
    }
    if (fitting.isEmpty())
        return -1;
    // The form in the other script narrows it down further when the card gives it.
    if (!card.traditional.isEmpty() && !card.simplified.isEmpty()) {
        QList<int> sameScript;
        for (int i : std::as_const(fitting)) {
            if (candidates.at(i).traditional == card.traditional)
                sameScript << i;
        }
        if (!sameScript.isEmpty())
            fitting = sameScript;
    }
    // The most common: an entry of its own before names and references, in dictionary order.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i : std::as_const(fitting)) {
            const Candidate& candidate = candidates.at(i);
            const bool plainEntry =
                !isName(candidate.pinyin) && !isOnlyReference(candidate.definition);
            if (plainEntry || pass == 1)
                return i;
        }
    }
    return fitting.first();
}

KnowledgeUnit* EntryLinker::findEntry(const ImportCard& card)
{
    if (!m_dictionary || card.characters().isEmpty())
        return nullptr;
    QList<Candidate> found;
    if (!card.simplified.isEmpty())
        found = candidates(0, card.simplified);
    // Characters given as traditional ones, or only the traditional form given.
    if (found.isEmpty())
        found = candidates(1, card.characters());
    const int chosen = chooseCandidate(found, card);
    return chosen < 0 ? nullptr : m_dictionary->knowledgeUnit(found.at(chosen).id);
}

KnowledgeUnit* EntryLinker::profileUnit(KnowledgeUnit* entry, bool* created)
{
    if (created)
        *created = false;
    if (!entry || !m_profile || !m_profile->dictionary())
        return nullptr;
    if (KnowledgeUnit* known = m_units.value(entry->id()))
        return known;
    Dictionary* profileDictionary = m_profile->dictionary();
    KnowledgeUnit* unit = nullptr;
    m_profileUnit.bindValue(QStringLiteral(":simplified"), entry->simplified());
    m_profileUnit.bindValue(QStringLiteral(":traditional"), entry->traditional());
    m_profileUnit.bindValue(QStringLiteral(":pinyin"), entry->pinyin());
    if (m_profileUnit.exec() && m_profileUnit.next())
        unit = profileDictionary->knowledgeUnit(m_profileUnit.value(0).toInt());
    m_profileUnit.finish();
    if (!unit) {
        auto* fresh = new KnowledgeUnit;
        fresh->setType(2);
        fresh->copyFrom(entry);
        // The entry's own numbered reading, not one made back from its tone marks.
        fresh->setPinyin(entry->pinyin());
        fresh->setOwner(0);
        fresh->setScore(0);
        fresh->setLastTimePracticed(0);
        if (!profileDictionary->saveKnowledgeUnit(fresh) || fresh->id() < 1) {
            delete fresh;
            return nullptr;
        }
        unit = fresh;
        if (created)
            *created = true;
    }
    m_units.insert(entry->id(), unit);
    return unit;
}

} // namespace korvo
