#include "dictionary/knowledgeunit.h"

#include "dictionary/statementbuilder.h"
#include "text/pinyin.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

namespace korvo {

namespace {

// Converts the text inside every bracketed cross-reference ("[zhua3]") with `convert`.
template <typename Convert> QString convertCrossReferences(const QString& text, Convert convert)
{
    if (!text.contains(QLatin1Char('[')) || !text.contains(QLatin1Char(']')))
        return text;
    static const QRegularExpression bracketed(QStringLiteral("\\[(.*?)\\]"));
    QString result;
    qsizetype last = 0;
    QRegularExpressionMatchIterator it = bracketed.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(last, match.capturedStart() - last);
        result += QLatin1Char('[') + convert(match.captured(1)) + QLatin1Char(']');
        last = match.capturedEnd();
    }
    result += text.mid(last);
    return result;
}

QDateTime fromMilliseconds(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

KnowledgeUnit::KnowledgeUnit(QObject* parent) : QObject(parent) {}

void KnowledgeUnit::setOwner(int owner)
{
    if (m_owner != owner)
        m_owner = owner;
}

void KnowledgeUnit::setType(int type)
{
    if (m_type != type)
        m_type = type;
}

void KnowledgeUnit::clearPinyinCaches()
{
    m_syllables.clear();
    m_syllablesWithToneMarks.clear();
    m_pinyinMerged.clear();
    m_pinyinMergedNoTones.clear();
    ++m_revision;
}

QString KnowledgeUnit::pinyin()
{
    if (!m_pinyin.isEmpty() || m_pinyinWithToneMarks.isEmpty())
        return m_pinyin;
    m_pinyin = markedToNumbered(m_pinyinWithToneMarks, true);
    return m_pinyin;
}

void KnowledgeUnit::setPinyin(const QString& pinyin)
{
    m_pinyin = pinyin;
    m_pinyinWithToneMarks.clear();
    clearPinyinCaches();
}

QString KnowledgeUnit::pinyinWithToneMarks()
{
    if (!m_pinyinWithToneMarks.isEmpty() || m_pinyin.isEmpty())
        return m_pinyinWithToneMarks;
    m_pinyinWithToneMarks = numberedToMarked(m_pinyin);
    return m_pinyinWithToneMarks;
}

void KnowledgeUnit::setPinyinWithToneMarks(const QString& pinyin)
{
    m_pinyinWithToneMarks = pinyin;
    m_pinyin.clear();
    clearPinyinCaches();
}

QString KnowledgeUnit::pinyinWithToneMarksNoSpaces()
{
    return pinyinWithToneMarks().remove(QLatin1Char(' '));
}

QString KnowledgeUnit::pinyinMerged()
{
    // Kept until the pinyin changes (every pinyin setter clears it); ranking asks often.
    if (m_pinyinMerged.isEmpty())
        m_pinyinMerged = pinyin().remove(QLatin1Char(' '));
    return m_pinyinMerged;
}

QString KnowledgeUnit::pinyinMergedNoTones()
{
    if (m_pinyinMergedNoTones.isEmpty())
        m_pinyinMergedNoTones = removeToneNumbers(pinyinMerged());
    return m_pinyinMergedNoTones;
}

QStringList KnowledgeUnit::syllables()
{
    if (m_syllables.isEmpty())
        m_syllables = splitSyllables(pinyin());
    return m_syllables;
}

QStringList KnowledgeUnit::syllablesWithToneMarks()
{
    if (m_syllablesWithToneMarks.isEmpty()) {
        const QStringList numbered = syllables();
        for (const QString& syllable : numbered)
            m_syllablesWithToneMarks << numberedSyllableToMarked(syllable);
    }
    return m_syllablesWithToneMarks;
}

QString KnowledgeUnit::definition()
{
    if (!m_definition.isEmpty() || !m_definitionsSplit)
        return m_definition;
    m_definition =
        convertCrossReferences(m_definitions.join(QLatin1Char('/')), [](const QString& marked) {
            return markedToNumbered(marked, true);
        });
    return m_definition;
}

void KnowledgeUnit::setDefinition(const QString& text, const QString& separator)
{
    m_definition = text;
    m_definitionsSplit = false;
    m_definitions.clear();
    m_definitionText.clear();
    ++m_revision;
    if (separator == QLatin1String("/"))
        return;
    QString normalised = text;
    normalised.replace(separator, QLatin1String("/"));
    QStringList parts = normalised.split(QLatin1Char('/'));
    for (QString& part : parts)
        part = part.trimmed();
    m_definition = parts.join(QLatin1Char('/'));
}

QStringList KnowledgeUnit::definitions()
{
    if (m_definitionsSplit)
        return m_definitions;
    m_definitions = m_definition.split(QLatin1Char('/'));
    m_definitionsSplit = true;
    for (QString& part : m_definitions)
        part = convertCrossReferences(
            part, [](const QString& numbered) { return numberedToMarked(numbered); });
    return m_definitions;
}

void KnowledgeUnit::setDefinitions(const QStringList& definitions)
{
    m_definitions = definitions;
    m_definitionsSplit = true;
    m_definition.clear();
    m_definitionText.clear();
    ++m_revision;
}

QString KnowledgeUnit::definitionText()
{
    if (m_definitionText.isEmpty())
        m_definitionText = definitions().join(QLatin1String("; "));
    return m_definitionText;
}

QString KnowledgeUnit::uuid()
{
    if (m_uuid.isEmpty())
        m_uuid = generateUuid();
    return m_uuid;
}

QDateTime KnowledgeUnit::creationDate()
{
    if (m_creationDate.isNull())
        m_creationDate = QDateTime::currentDateTimeUtc();
    return m_creationDate;
}

QDateTime KnowledgeUnit::updateDate()
{
    if (m_updateDate.isNull())
        m_updateDate = creationDate();
    return m_updateDate;
}

void KnowledgeUnit::loadFromQuery(QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    auto column = [&](const char* name) { return record.indexOf(QLatin1String(name)); };

    const int creationColumn = column("creationDate");
    if (creationColumn >= 0) {
        m_type = 2;
        m_creationDate = fromMilliseconds(query.value(creationColumn).toLongLong());
        m_updateDate = fromMilliseconds(query.value(column("updateDate")).toLongLong());
    } else {
        m_type = 1;
    }

    m_id = query.value(column("id")).toInt();
    const int uuidColumn = column("uuid");
    if (uuidColumn >= 0)
        m_uuid = query.value(uuidColumn).toString();
    m_simplified = query.value(column("simplified")).toString();
    m_traditional = query.value(column("traditional")).toString();
    m_pinyinWithToneMarks.clear();
    m_pinyin = query.value(column("pinyin")).toString();
    clearPinyinCaches();

    m_definition = query.value(column("definition")).toString();
    ++m_revision;
    m_definitionsSplit = false;
    m_definitions.clear();
    m_definitionText.clear();

    int index = column("score");
    if (index >= 0)
        m_score = query.value(index).toFloat();
    index = column("owner");
    if (index >= 0)
        m_owner = query.value(index).toInt();
    index = column("lastTimePracticed");
    if (index >= 0)
        m_lastTimePracticed = query.value(index).toLongLong();
    index = column("variants");
    if (index >= 0) {
        const QString variants = query.value(index).toString();
        m_variants = variants.isEmpty() ? QStringList() : variants.split(QLatin1Char(','));
    }
}

QVariantMap KnowledgeUnit::toVariantMap(const TransferOptions& options)
{
    QVariantMap map;
    map.insert(QStringLiteral("uuid"), uuid());
    map.insert(QStringLiteral("type"), QStringLiteral("KnowledgeUnit"));
    map.insert(QStringLiteral("simplified"), m_simplified);
    map.insert(QStringLiteral("traditional"), m_traditional);
    map.insert(QStringLiteral("pinyin"), pinyin());
    map.insert(QStringLiteral("definition"), definition());
    if (options.creationDateIncluded)
        map.insert(QStringLiteral("creationDate"), creationDate().toMSecsSinceEpoch());
    if (options.updateDateIncluded)
        map.insert(QStringLiteral("updateDate"), updateDate().toMSecsSinceEpoch());
    if (options.scoreDataIncluded) {
        map.insert(QStringLiteral("score"), score());
        map.insert(QStringLiteral("lastTimePracticed"), m_lastTimePracticed);
    }
    return map;
}

void KnowledgeUnit::fromVariantMap(const QVariantMap& map, const TransferOptions& options)
{
    auto value = [&](const char* key) {
        const QVariant v = map.value(QLatin1String(key));
        return v.isNull() ? QVariant() : v;
    };

    m_uuid = value("uuid").toString();
    m_creationDate = options.creationDateIncluded
                         ? fromMilliseconds(value("creationDate").toLongLong())
                         : QDateTime::currentDateTimeUtc();
    m_updateDate = options.updateDateIncluded ? fromMilliseconds(value("updateDate").toLongLong())
                                              : QDateTime::currentDateTimeUtc();
    m_simplified = value("simplified").toString();
    m_traditional = value("traditional").toString();
    m_pinyinWithToneMarks.clear();
    m_pinyin = value("pinyin").toString();
    clearPinyinCaches();
    setDefinition(value("definition").toString(), QStringLiteral("/"));
    if (options.scoreDataIncluded) {
        m_lastTimePracticed = value("lastTimePracticed").toLongLong();
        setScore(value("score").toFloat());
    }
}

void KnowledgeUnit::copyFrom(KnowledgeUnit* other)
{
    if (!other || other == this)
        return;
    m_simplified = other->m_simplified;
    m_traditional = other->m_traditional;
    // Both pinyin forms are copied as they stand: rebuilding the numbered form from the
    // marked one would lose erhua spacing ("hua1 r5" shows as "huār").
    m_pinyinWithToneMarks = other->m_pinyinWithToneMarks;
    m_pinyin = other->m_pinyin;
    clearPinyinCaches();
    setDefinition(other->definition(), QStringLiteral("/"));
    m_lastTimePracticed = other->m_lastTimePracticed;
    setScore(other->score());
    m_owner = other->m_owner;
}

KnowledgeUnit* KnowledgeUnit::clone()
{
    auto* unit = new KnowledgeUnit;
    unit->copyFrom(this);
    return unit;
}

} // namespace korvo
