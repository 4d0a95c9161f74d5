#include "dictionary/charactertable.h"

#include "dictionary/dictionary.h"
#include "dictionary/idbatches.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/statementbuilder.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <memory>
#include <utility>

namespace korvo {

namespace {

// Characters read up front, the most frequent first.
constexpr int PreloadedCharacterCount = 6000;
// Characters at this rank or beyond are never proposed as similar.
constexpr int UnrankedCharacter = 20000;
constexpr int RadicalIdOffset = 10000000;

QChar firstCharacterOf(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("0"))
        return QChar();
    return text.at(0);
}

} // namespace

CharacterTable::CharacterTable(Dictionary* dictionary) : m_dictionary(dictionary) {}

CharacterTable::~CharacterTable()
{
    qDeleteAll(m_characterCache);
    qDeleteAll(m_radicals);
}

CharacterInfo* CharacterTable::cacheCharacter(QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    auto value = [&](const char* name) { return query.value(record.indexOf(QLatin1String(name))); };

    auto info = std::make_unique<CharacterInfo>();
    info->id = value("id").toInt();
    const QString character = value("character").toString();
    info->character = character.isEmpty() ? QChar() : character.at(0);
    info->radicalId = value("radicalId").toInt();
    info->strokeCount = value("strokeCount").toInt();
    const QString partIds = value("partIds").toString();
    if (!partIds.isEmpty()) {
        for (const QString& part : partIds.split(QLatin1Char(',')))
            info->partIds << part.toInt();
    }
    info->frequency = value("frequency").toDouble();
    info->hskLevel = value("hskLevel").toInt();
    const QVariant rank = value("rank");
    info->rank = rank.isNull() ? UnrankedCharacter : rank.toInt();
    info->simplifiedForm = firstCharacterOf(value("simplified").toString());
    info->traditionalForm = firstCharacterOf(value("traditional").toString());
    info->dictionary = m_dictionary;

    // A character read twice (by id, then by character) keeps its first record.
    auto it = m_characterCache.find(info->character);
    if (it != m_characterCache.end())
        return it.value();
    CharacterInfo* result = info.release();
    m_characterCache.insert(result->character, result);
    m_charactersById.insert(result->id, result);
    return result;
}

void CharacterTable::preloadCharacters()
{
    if (m_charactersPreloaded)
        return;
    m_charactersPreloaded = true;
    QSqlQuery query(m_dictionary->database());
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT * FROM Characters ORDER BY frequency DESC LIMIT %1")
                       .arg(PreloadedCharacterCount))) {
        while (query.next())
            cacheCharacter(query);
    }
}

CharacterInfo* CharacterTable::character(QChar c)
{
    preloadCharacters();
    if (CharacterInfo* info = m_characterCache.value(c))
        return info;
    if (m_missingCharacters.contains(c))
        return nullptr;
    QSqlQuery query(m_dictionary->database());
    query.prepare(QStringLiteral("select * from characters where character=:character"));
    query.bindValue(QStringLiteral(":character"), QString(c));
    if (query.exec() && query.next())
        return cacheCharacter(query);
    if (query.isActive()) // the statement ran and found nothing
        m_missingCharacters.insert(c);
    return nullptr;
}

QList<CharacterInfo*> CharacterTable::charactersByIds(const QList<int>& ids)
{
    return collectInBatches<CharacterInfo>(
        m_dictionary->database(), QStringLiteral("Characters"), ids,
        [this](int id) { return m_charactersById.value(id); },
        [this](QSqlQuery& query) { return cacheCharacter(query); },
        [](const CharacterInfo* info) { return info->id; });
}

QList<CharacterInfo*> CharacterTable::charactersOfRadical(int radicalId)
{
    QSqlQuery query(m_dictionary->database());
    query.prepare(QStringLiteral("SELECT id FROM Characters WHERE radicalId = :radicalId"));
    query.bindValue(QStringLiteral(":radicalId"), radicalId);
    return charactersByIds(collectIds(query));
}

QString CharacterTable::parts(CharacterInfo* info)
{
    if (!info)
        return QString();
    if (!info->partsValid) {
        info->parts.clear();
        for (int partId : std::as_const(info->partIds)) {
            const QChar part = decompositionPart(partId);
            if (!part.isNull())
                info->parts += part;
        }
        info->partsValid = true;
    }
    return info->parts;
}

void CharacterTable::loadRadicals()
{
    if (m_radicalsLoaded)
        return;
    m_radicalsLoaded = true;
    QSqlQuery query(m_dictionary->database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM Radicals")))
        return;
    while (query.next()) {
        auto* unit = new KnowledgeUnit;
        unit->loadFromQuery(query);
        const int radicalId = unit->id();
        unit->setId(radicalId + RadicalIdOffset);
        delete m_radicals.value(radicalId);
        m_radicals.insert(radicalId, unit);
    }
}

KnowledgeUnit* CharacterTable::radical(int radicalId)
{
    if (radicalId >= 1000)
        radicalId -= 1000;
    loadRadicals();
    return m_radicals.value(radicalId);
}

KnowledgeUnit* CharacterTable::radicalForCharacter(const QString& text)
{
    loadRadicals();
    for (KnowledgeUnit* unit : std::as_const(m_radicals)) {
        if (unit->simplified() == text || unit->traditional() == text ||
            unit->variants().contains(text))
            return unit;
    }
    return nullptr;
}

QChar CharacterTable::radicalCharacter(int radicalId)
{
    KnowledgeUnit* unit = radical(radicalId);
    if (!unit)
        return QChar();
    const QString form = radicalId >= 1000 ? unit->simplified() : unit->traditional();
    return form.isEmpty() ? QChar() : form.at(0);
}

QChar CharacterTable::decompositionPart(int partId)
{
    if (partId <= 0)
        return QChar();
    if (!m_decompositionPartsLoaded) {
        m_decompositionPartsLoaded = true;
        QSqlQuery query(m_dictionary->database());
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("select * from DecompositionParts"))) {
            const int column = query.record().indexOf(QStringLiteral("character"));
            while (query.next()) {
                const QString text = query.value(column).toString();
                m_decompositionParts << (text.isEmpty() ? QChar() : text.at(0));
            }
        }
    }
    return partId <= m_decompositionParts.size() ? m_decompositionParts.at(partId - 1) : QChar();
}

} // namespace korvo
