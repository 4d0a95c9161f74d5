#include "sourceparsers.h"

#include "text/pinyin.h"

#include <QRegularExpression>
#include <QSet>

namespace korvo {

namespace {

const QString CedictPath = QStringLiteral("hanzi/lib/data/cedict_ts.u8.js");
const QString JundaPath = QStringLiteral("hanzi/lib/data/frequencyjunda.txt.js");
const QString LeidenPath = QStringLiteral("hanzi/lib/data/leidenfreqdata.txt.js");
const QString DecompositionPath = QStringLiteral("hanzi/lib/data/cjk-decomp.txt.js");
const QString RadicalMeaningPath = QStringLiteral("hanzi/lib/data/radicalListWithMeaning.js");
const QString HskPath = QStringLiteral("chinese-lexicon/statistics/hsk.js");
const QString SentencePath = QStringLiteral("sentences/cmn-eng-tatoeba.tsv");
const QString ReadingCountPath = QStringLiteral("chinese-lexicon/statistics/pinyinFrequency.js");
const QString ReviewedReadingPath = QStringLiteral("hsk-readings.tsv");

bool malformed(const QString& path, int lineNumber, const QString& what)
{
    reportError(path, QStringLiteral("line %1: %2").arg(lineNumber).arg(what));
    return false;
}

QString codePointText(QStringView hex)
{
    // "U+5011" -> the character.
    bool ok = false;
    const char32_t codePoint = hex.mid(2).toUInt(&ok, 16);
    if (!ok || !hex.startsWith(u"U+"))
        return QString();
    return QString::fromUcs4(&codePoint, 1);
}

QStringList codePointList(QStringView value)
{
    QStringList result;
    for (QStringView item : value.split(u' ', Qt::SkipEmptyParts)) {
        // Some variant values carry a source annotation after '<'.
        const qsizetype bracket = item.indexOf(u'<');
        const QString character = codePointText(bracket < 0 ? item : item.left(bracket));
        if (!character.isEmpty() && !result.contains(character))
            result.append(character);
    }
    return result;
}

} // namespace

QStringList characters(const QString& text)
{
    QStringList result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            result.append(text.mid(i, 2));
            ++i;
        } else {
            result.append(text.mid(i, 1));
        }
    }
    return result;
}

bool isStoredHanCharacter(const QString& character)
{
    if (character.size() != 1)
        return false;
    const char16_t c = character.at(0).unicode();
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF);
}

bool readCedict(const SourceFiles& files, QVector<CedictEntry>* entries, QDateTime* edition)
{
    const QString path = files.nodeModule(CedictPath);
    QString text;
    if (!files.readModuleText(path, &text))
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVector<CedictEntry> result;
    result.reserve(lines.size());
    QDateTime date;
    int declaredCount = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('#'))) {
            if (line.startsWith(QLatin1String("#! date=")))
                date = QDateTime::fromString(line.mid(8), Qt::ISODate);
            else if (line.startsWith(QLatin1String("#! entries=")))
                declaredCount = line.mid(11).toInt();
            continue;
        }
        // TRADITIONAL SIMPLIFIED [pin1 yin1] /definition/definition/
        const int firstSpace = line.indexOf(QLatin1Char(' '));
        const int secondSpace = line.indexOf(QLatin1Char(' '), firstSpace + 1);
        const int open = line.indexOf(QLatin1Char('['), secondSpace);
        const int close = line.indexOf(QLatin1String("] /"), open);
        if (firstSpace < 1 || secondSpace <= firstSpace + 1 || open != secondSpace + 1 ||
            close < 0 || !line.endsWith(QLatin1Char('/')))
            return malformed(path, i + 1, QStringLiteral("not an entry: ") + line.left(60));
        CedictEntry entry;
        entry.traditional = line.left(firstSpace);
        entry.simplified = line.mid(firstSpace + 1, secondSpace - firstSpace - 1);
        entry.pinyin = line.mid(open + 1, close - open - 1).simplified();
        entry.definition = line.mid(close + 3);
        entry.definition.chop(1);
        if (entry.definition.isEmpty())
            return malformed(path, i + 1, QStringLiteral("entry without definition"));
        result.append(entry);
    }
    if (!date.isValid())
        return malformed(path, 1, QStringLiteral("no \"#! date=\" header"));
    if (declaredCount > 0 && declaredCount != result.size())
        return malformed(path, lines.size(),
                         QStringLiteral("%1 entries read, the header declares %2")
                             .arg(result.size())
                             .arg(declaredCount));
    *entries = result;
    *edition = date.toUTC();
    return true;
}

bool readJunda(const SourceFiles& files, QVector<JundaCharacter>* characters)
{
    const QString path = files.nodeModule(JundaPath);
    QString text;
    if (!files.readModuleText(path, &text))
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVector<JundaCharacter> result;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).trimmed().isEmpty())
            continue;
        // rank, character, count, cumulative percentage, readings, meanings
        const QStringList fields = lines.at(i).split(QLatin1Char('\t'));
        JundaCharacter character;
        bool rankOk = false;
        bool countOk = false;
        if (fields.size() >= 5) {
            character.rank = fields.at(0).toInt(&rankOk);
            character.character = fields.at(1);
            character.count = fields.at(2).toLongLong(&countOk);
            character.readings = fields.at(4).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        }
        if (!rankOk || !countOk || character.character.isEmpty() || character.rank < 1)
            return malformed(path, i + 1, QStringLiteral("expected rank, character, count"));
        result.append(character);
    }
    if (result.size() < 5000)
        return malformed(path, lines.size(),
                         QStringLiteral("only %1 characters").arg(result.size()));
    *characters = result;
    return true;
}

bool readLeiden(const SourceFiles& files, QHash<QString, qint64>* counts, qint64* total)
{
    const QString path = files.nodeModule(LeidenPath);
    QString text;
    if (!files.readModuleText(path, &text))
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QHash<QString, qint64> result;
    result.reserve(lines.size());
    qint64 sum = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.isEmpty())
            continue;
        const int comma = line.lastIndexOf(QLatin1Char(','));
        bool ok = false;
        const qint64 count = comma > 0 ? line.mid(comma + 1).toLongLong(&ok) : 0;
        if (!ok || count < 0)
            return malformed(path, i + 1, QStringLiteral("expected word,count"));
        result[line.left(comma)] += count;
        sum += count;
    }
    if (sum <= 0)
        return malformed(path, lines.size(), QStringLiteral("no counts"));
    *counts = result;
    *total = sum;
    return true;
}

bool readHskLevels(const SourceFiles& files, QVector<QStringList>* levels)
{
    const QString path = files.nodeModule(HskPath);
    QString text;
    if (!files.readText(path, &text))
        return false;
    // let hsk = [ ["word", ...], ..., ["word", ...] ];
    const int start = text.indexOf(QLatin1String("let hsk = ["));
    if (start < 0)
        return malformed(path, 1, QStringLiteral("no \"let hsk = [\" list"));
    QVector<QStringList> result;
    int depth = 0;
    QSet<QString> seen;
    for (int i = start + 10; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('[')) {
            if (++depth == 2) {
                result.append(QStringList());
                seen.clear();
            }
        } else if (c == QLatin1Char(']')) {
            if (--depth == 0)
                break;
        } else if (c == QLatin1Char('"') && depth == 2) {
            const int end = text.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                return malformed(path, text.left(i).count(QLatin1Char('\n')) + 1,
                                 QStringLiteral("unterminated word"));
            const QString word = text.mid(i + 1, end - i - 1).trimmed();
            if (!word.isEmpty() && !seen.contains(word)) {
                seen.insert(word);
                result.last().append(word);
            }
            i = end;
        }
    }
    if (result.size() != 6 || depth != 0)
        return malformed(path, 1,
                         QStringLiteral("expected six word lists, found %1").arg(result.size()));
    *levels = result;
    return true;
}

bool readDecompositions(const SourceFiles& files, QHash<QString, QStringList>* components)
{
    const QString path = files.nodeModule(DecompositionPath);
    QString text;
    if (!files.readModuleText(path, &text))
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QHash<QString, QStringList> result;
    result.reserve(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        // key:type(component,component)
        // (a few published lines carry a stray character after the closing parenthesis)
        const int colon = line.indexOf(QLatin1Char(':'), 1);
        const int open = line.indexOf(QLatin1Char('('), colon);
        const int close = line.lastIndexOf(QLatin1Char(')'));
        if (colon < 1 || open < 0 || close < open || close < line.size() - 2)
            return malformed(path, i + 1, QStringLiteral("expected key:type(components)"));
        const QString key = line.left(colon);
        if (result.contains(key))
            continue;
        result.insert(
            key, line.mid(open + 1, close - open - 1).split(QLatin1Char(','), Qt::SkipEmptyParts));
    }
    *components = result;
    return true;
}

bool readRadicalMeanings(const SourceFiles& files, QVector<QPair<QString, QString>>* meanings)
{
    const QString path = files.nodeModule(RadicalMeaningPath);
    QString text;
    if (!files.readText(path, &text))
        return false;
    static const QRegularExpression entry(QStringLiteral("^\"([^\"]+)\":\"([^\"]*)\""),
                                          QRegularExpression::MultilineOption);
    QVector<QPair<QString, QString>> result;
    for (auto it = entry.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result.append({match.captured(1), match.captured(2).trimmed()});
    }
    if (result.size() < 214)
        return malformed(path, 1, QStringLiteral("only %1 radical meanings").arg(result.size()));
    *meanings = result;
    return true;
}

bool readUnihan(const SourceFiles& files, QHash<QString, UnihanCharacter>* characters)
{
    // Field locations moved between Unicode versions; every file is searched for every field.
    const QStringList names = {QStringLiteral("Unihan_Readings.txt.bz2"),
                               QStringLiteral("Unihan_IRGSources.txt.bz2"),
                               QStringLiteral("Unihan_RadicalStrokeCounts.txt.bz2"),
                               QStringLiteral("Unihan_DictionaryLikeData.txt.bz2"),
                               QStringLiteral("Unihan_Variants.txt.bz2")};
    QHash<QString, UnihanCharacter> result;
    bool sawMandarin = false;
    bool sawRadical = false;
    bool sawStrokes = false;
    for (const QString& name : names) {
        const QString path = files.unicode(name);
        QString text;
        if (!files.readBzip2Text(path, &text))
            return false;
        int lineNumber = 0;
        for (QStringView line : QStringView(text).split(u'\n')) {
            ++lineNumber;
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const qsizetype tab1 = line.indexOf(u'\t');
            const qsizetype tab2 = line.indexOf(u'\t', tab1 + 1);
            if (tab1 < 0 || tab2 < 0)
                return malformed(path, lineNumber,
                                 QStringLiteral("expected code point, field, value"));
            const QStringView field = line.mid(tab1 + 1, tab2 - tab1 - 1);
            const QStringView value = line.mid(tab2 + 1);
            if (field != u"kMandarin" && field != u"kDefinition" && field != u"kRSUnicode" &&
                field != u"kTotalStrokes" && field != u"kSimplifiedVariant" &&
                field != u"kTraditionalVariant")
                continue;
            const QString character = codePointText(line.left(tab1));
            if (character.isEmpty())
                return malformed(path, lineNumber, QStringLiteral("bad code point"));
            UnihanCharacter& data = result[character];
            if (field == u"kMandarin") {
                data.mandarin = value.split(u' ', Qt::SkipEmptyParts).value(0).toString();
                sawMandarin = true;
            } else if (field == u"kDefinition") {
                data.definition = value.toString();
            } else if (field == u"kRSUnicode") {
                // "38.3", "120'.3": radical, apostrophe for its simplified form, residual strokes
                const QStringView first = value.split(u' ', Qt::SkipEmptyParts).value(0);
                qsizetype digits = 0;
                while (digits < first.size() && first.at(digits).isDigit())
                    ++digits;
                data.radical = first.left(digits).toInt();
                data.simplifiedRadical =
                    first.mid(digits).startsWith(u'\'') && !first.mid(digits).startsWith(u"''");
                sawRadical = true;
            } else if (field == u"kTotalStrokes") {
                data.strokes = value.split(u' ', Qt::SkipEmptyParts).value(0).toInt();
                sawStrokes = true;
            } else if (field == u"kSimplifiedVariant") {
                data.simplifiedVariants = codePointList(value);
            } else {
                data.traditionalVariants = codePointList(value);
            }
        }
    }
    if (!sawMandarin || !sawRadical || !sawStrokes) {
        reportError(files.unicode(QStringLiteral("Unihan_*.txt.bz2")),
                    QStringLiteral("kMandarin, kRSUnicode or kTotalStrokes not found"));
        return false;
    }
    *characters = result;
    return true;
}

bool readKangxiRadicals(const SourceFiles& files, QVector<KangxiRadical>* radicals)
{
    const QString path = files.unicode(QStringLiteral("CJKRadicals.txt"));
    QString text;
    if (!files.readText(path, &text))
        return false;
    QVector<KangxiRadical> result(214);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // "120'; 2EB0; 7E9F": radical number (apostrophe: simplified form); symbol; ideograph
        const QStringList fields = line.split(QLatin1Char(';'));
        if (fields.size() < 3)
            return malformed(path, i + 1, QStringLiteral("expected number; symbol; ideograph"));
        QString number = fields.at(0).trimmed();
        const int apostrophes = number.count(QLatin1Char('\''));
        number.remove(QLatin1Char('\''));
        bool ok = false;
        const int n = number.toInt(&ok);
        const QString symbol =
            codePointText(QString(QStringLiteral("U+") + fields.at(1).trimmed()));
        const QString ideograph =
            codePointText(QString(QStringLiteral("U+") + fields.at(2).trimmed()));
        if (!ok || n < 1 || n > 214 || ideograph.isEmpty())
            return malformed(path, i + 1, QStringLiteral("bad radical line: ") + line);
        KangxiRadical& radical = result[n - 1];
        radical.number = n;
        if (apostrophes == 0)
            radical.traditional = ideograph;
        else if (apostrophes == 1)
            radical.simplified = ideograph;
        if (!symbol.isEmpty() && !radical.symbols.contains(symbol))
            radical.symbols.append(symbol);
    }
    for (KangxiRadical& radical : result) {
        if (radical.number == 0 || radical.traditional.isEmpty())
            return malformed(path, lines.size(), QStringLiteral("a Kangxi radical is missing"));
        if (radical.simplified.isEmpty())
            radical.simplified = radical.traditional;
    }
    *radicals = result;
    return true;
}

bool readSentences(const SourceFiles& files, QVector<SentencePair>* sentences)
{
    const QString path = files.sourceData(SentencePath);
    QString text;
    if (!files.readText(path, &text))
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVector<SentencePair> result;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3 || fields.at(0).trimmed().isEmpty() ||
            fields.at(1).trimmed().isEmpty() || fields.at(2).trimmed().isEmpty())
            return malformed(path, i + 1, QStringLiteral("expected English, Chinese, attribution"));
        result.append({fields.at(0).trimmed(), fields.at(1).trimmed(), fields.at(2).trimmed()});
    }
    *sentences = result;
    return true;
}

bool readReadingCounts(const SourceFiles& files, QHash<QString, int>* counts)
{
    const QString path = files.nodeModule(ReadingCountPath);
    QString text;
    if (!files.readText(path, &text))
        return false;
    // One entry a line:     "长cháng": "1179",
    static const QRegularExpression entry(QStringLiteral("^\\s*\"(.)([^\"]+)\":\\s*\"(\\d+)\""));
    QHash<QString, int> result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = entry.match(line);
        if (!match.hasMatch())
            continue;
        QString reading = markedToNumbered(match.captured(2), true).toLower();
        reading.replace(QStringLiteral("ü"), QLatin1String("u:"));
        result[match.captured(1) + reading] += match.captured(3).toInt();
    }
    if (result.size() < 1000)
        return malformed(
            path, 1, QStringLiteral("expected thousands of readings, found %1").arg(result.size()));
    *counts = result;
    return true;
}

bool readReviewedReadings(const SourceFiles& files, QHash<QString, QString>* readings)
{
    const QString path = files.sourceData(ReviewedReadingPath);
    QString text;
    if (!files.readText(path, &text))
        return false;
    QHash<QString, QString> result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // level, word, reading, and why the frequencies do not find it
        const QStringList fields = line.split(QLatin1Char('\t'));
        bool isLevel = false;
        const int level = fields.value(0).toInt(&isLevel);
        if (fields.size() < 3 || !isLevel || level < 0 || level > 6 ||
            fields.at(1).trimmed().isEmpty() || fields.at(2).trimmed().isEmpty())
            return malformed(path, i + 1, QStringLiteral("expected level, word, pinyin, reason"));
        result.insert(QStringLiteral("%1/%2").arg(level).arg(fields.at(1).trimmed()),
                      fields.at(2).trimmed());
    }
    *readings = result;
    return true;
}

} // namespace korvo
