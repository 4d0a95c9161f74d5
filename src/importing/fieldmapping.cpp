#include "importing/fieldmapping.h"

#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QRegularExpression>

namespace korvo {

namespace {

// Notes of a type looked at by the guess.
constexpr int SampleNotes = 50;
// Share of the non-empty sample fields that must look right for a guess from content (toneless
// pinyin counts half: it may be English words).
constexpr double MinimumShare = 0.5;

// Words of a field name and the role they stand for; the first matching word decides.
struct NameWord
{
    const char16_t* word;
    FieldRole role;
};

const NameWord NameWords[] = {
    {u"example", FieldRole::Ignored},
    {u"sentence", FieldRole::Ignored},
    {u"traditional", FieldRole::Traditional},
    {u"trad", FieldRole::Traditional},
    {u"繁体", FieldRole::Traditional},
    {u"繁體", FieldRole::Traditional},
    {u"simplified", FieldRole::Simplified},
    {u"simp", FieldRole::Simplified},
    {u"hanzi", FieldRole::Simplified},
    {u"chinese", FieldRole::Simplified},
    {u"characters", FieldRole::Simplified},
    {u"character", FieldRole::Simplified},
    {u"word", FieldRole::Simplified},
    {u"汉字", FieldRole::Simplified},
    {u"漢字", FieldRole::Simplified},
    {u"简体", FieldRole::Simplified},
    {u"中文", FieldRole::Simplified},
    {u"pinyin", FieldRole::Pinyin},
    {u"reading", FieldRole::Pinyin},
    {u"pronunciation", FieldRole::Pinyin},
    {u"拼音", FieldRole::Pinyin},
    {u"meaning", FieldRole::Definition},
    {u"meanings", FieldRole::Definition},
    {u"english", FieldRole::Definition},
    {u"definition", FieldRole::Definition},
    {u"definitions", FieldRole::Definition},
    {u"translation", FieldRole::Definition},
    {u"gloss", FieldRole::Definition},
    {u"意思", FieldRole::Definition},
    {u"释义", FieldRole::Definition},
    {u"英文", FieldRole::Definition},
};

// Whether a word of the name is known, and the role it stands for (Ignored for names of fields
// that are no part of a card, such as example sentences).
bool roleOfName(const QString& name, FieldRole* role)
{
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    const QStringList words = name.toLower().split(separators, Qt::SkipEmptyParts);
    for (const QString& word : words) {
        for (const NameWord& entry : NameWords) {
            if (word == QString::fromUtf16(entry.word)) {
                *role = entry.role;
                return true;
            }
        }
    }
    *role = FieldRole::Ignored;
    return false;
}

bool isLatinLetter(QChar c)
{
    return (c.unicode() < 0x250 && c.isLetter());
}

double pinyinScore(const QString& text)
{
    if (!FieldMapping::looksLikePinyin(text))
        return 0;
    // Tones make it certain; toneless syllables may also be English words ("long", "he").
    const QString numbered = markedToNumbered(text.toLower());
    for (const QChar c : numbered) {
        if (c >= QLatin1Char('1') && c <= QLatin1Char('5'))
            return 1;
    }
    return 0.5;
}

} // namespace

void FieldMapping::setRole(int field, FieldRole role)
{
    if (field < 0)
        return;
    while (m_roles.size() <= field)
        m_roles.append(FieldRole::Ignored);
    if (role != FieldRole::Ignored) {
        for (FieldRole& other : m_roles) {
            if (other == role)
                other = FieldRole::Ignored;
        }
    }
    m_roles[field] = role;
}

int FieldMapping::field(FieldRole role) const
{
    return role == FieldRole::Ignored ? -1 : int(m_roles.indexOf(role));
}

FieldRole FieldMapping::roleForName(const QString& name)
{
    FieldRole role;
    roleOfName(name, &role);
    return role;
}

QList<FieldRole> FieldMapping::allRoles()
{
    return {FieldRole::Ignored, FieldRole::Simplified, FieldRole::Traditional, FieldRole::Pinyin,
            FieldRole::Definition};
}

QString FieldMapping::roleTitle(FieldRole role)
{
    switch (role) {
    case FieldRole::Simplified:
        return translate(QStringLiteral("Characters"));
    case FieldRole::Traditional:
        return translate(QStringLiteral("Traditional characters"));
    case FieldRole::Pinyin:
        return translate(QStringLiteral("Pinyin"));
    case FieldRole::Definition:
        return translate(QStringLiteral("Definition"));
    case FieldRole::Ignored:
        break;
    }
    return translate(QStringLiteral("Not imported"));
}

bool FieldMapping::hasHanCharacters(const QString& text)
{
    return containsChineseCharacter(text);
}

bool FieldMapping::looksLikePinyin(const QString& text)
{
    if (text.trimmed().isEmpty() || hasHanCharacters(text))
        return false;
    QString plain = text.toLower();
    plain.replace(QLatin1String("u:"), QStringLiteral("\u00fc"));
    plain.replace(QLatin1Char('v'), QChar(0x00fc));
    plain = markedToNumbered(plain);
    QString letters;
    for (const QChar c : std::as_const(plain)) {
        if (c.isSpace() || isPinyinSeparator(c))
            continue;
        if (c.isDigit() && (c < QLatin1Char('1') || c > QLatin1Char('5')))
            return false;
        letters.append(c);
    }
    // markedToNumbered() writes ü as "u:"; isPinyin() reads that form.
    return !letters.isEmpty() && letters.at(0).isLetter() && isPinyin(letters);
}

bool FieldMapping::looksLikeLatinText(const QString& text)
{
    if (hasHanCharacters(text))
        return false;
    for (const QChar c : text) {
        if (isLatinLetter(c))
            return true;
    }
    return false;
}

FieldMapping FieldMapping::guess(const NoteType& type, const QList<ImportedNote>& notes,
                                 int noteType)
{
    const int count = int(type.fieldNames.size());
    FieldMapping mapping(QList<FieldRole>(count, FieldRole::Ignored));
    QList<bool> named(count, false);
    for (int i = 0; i < count; ++i) {
        FieldRole role;
        named[i] = roleOfName(type.fieldNames.at(i), &role);
        if (role != FieldRole::Ignored && mapping.field(role) < 0)
            mapping.m_roles[i] = role;
    }

    // Shares of the sample's non-empty fields that hold characters, pinyin or Latin text.
    QList<double> han(count, 0), pinyin(count, 0), latin(count, 0);
    QList<int> filled(count, 0);
    int sampled = 0;
    for (const ImportedNote& note : notes) {
        if (note.noteType != noteType)
            continue;
        if (++sampled > SampleNotes)
            break;
        for (int i = 0; i < count && i < note.fields.size(); ++i) {
            const QString& text = note.fields.at(i);
            if (text.trimmed().isEmpty())
                continue;
            ++filled[i];
            han[i] += hasHanCharacters(text) ? 1 : 0;
            const double p = pinyinScore(text);
            pinyin[i] += p;
            latin[i] += p < 1 && looksLikeLatinText(text) ? 1 - p : 0;
        }
    }
    auto assignBest = [&](FieldRole role, const QList<double>& scores) {
        if (mapping.field(role) >= 0)
            return;
        int best = -1;
        double bestShare = MinimumShare - 1e-9;
        for (int i = 0; i < count; ++i) {
            if (mapping.m_roles.at(i) != FieldRole::Ignored || filled.at(i) == 0 || named.at(i))
                continue;
            const double share = scores.at(i) / filled.at(i);
            if (share > bestShare) {
                best = i;
                bestShare = share;
            }
        }
        if (best >= 0)
            mapping.m_roles[best] = role;
    };
    assignBest(FieldRole::Simplified, han);
    assignBest(FieldRole::Pinyin, pinyin);
    assignBest(FieldRole::Definition, latin);
    return mapping;
}

} // namespace korvo
