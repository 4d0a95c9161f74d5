#include "text/pinyin.h"

#include <QHash>
#include <QRegularExpression>

#include <array>
#include <string_view>
#include <vector>

namespace korvo {

namespace {

// All valid toneless syllables, longest first: a lookup takes the first syllable that matches,
// so longer syllables win over their prefixes ("xian" is never "xi" + "an").
const char16_t* const syllableSource[] = {
    // 6 letters
    u"zhuang", u"chuang", u"shuang",
    // 5 letters
    u"zhang", u"chang", u"shang", u"zheng", u"cheng", u"sheng", u"zhong", u"chong", u"zhuai",
    u"chuai", u"shuai", u"zhuan", u"chuan", u"shuan", u"guang", u"kuang", u"huang", u"niang",
    u"liang", u"jiang", u"qiang", u"xiang", u"jiong", u"qiong", u"xiong",
    // 4 letters
    u"zhai", u"chai", u"shai", u"zhei", u"shei", u"zhao", u"chao", u"shao", u"zhou", u"chou",
    u"shou", u"zhan", u"chan", u"shan", u"bang", u"pang", u"mang", u"fang", u"dang", u"tang",
    u"nang", u"lang", u"gang", u"kang", u"hang", u"zang", u"cang", u"sang", u"rang", u"zhen",
    u"chen", u"shen", u"beng", u"peng", u"meng", u"feng", u"deng", u"teng", u"neng", u"leng",
    u"geng", u"keng", u"heng", u"zeng", u"ceng", u"seng", u"reng", u"dong", u"tong", u"nong",
    u"long", u"gong", u"kong", u"hong", u"zong", u"cong", u"song", u"rong", u"zhua", u"chua",
    u"shua", u"zhuo", u"chuo", u"shuo", u"guai", u"kuai", u"huai", u"zhui", u"chui", u"shui",
    u"duan", u"tuan", u"nuan", u"luan", u"guan", u"kuan", u"huan", u"zuan", u"cuan", u"suan",
    u"ruan", u"wang", u"zhun", u"chun", u"shun", u"weng", u"biao", u"piao", u"miao", u"diao",
    u"tiao", u"niao", u"liao", u"jiao", u"qiao", u"xiao", u"bian", u"pian", u"mian", u"dian",
    u"tian", u"nian", u"lian", u"jian", u"qian", u"xian", u"yang", u"bing", u"ping", u"ming",
    u"ding", u"ting", u"ning", u"ling", u"jing", u"qing", u"xing", u"ying", u"yong", u"juan",
    u"quan", u"xuan", u"yuan",
    // 3 letters
    u"zha", u"cha", u"sha", u"zhe", u"che", u"she", u"bai", u"pai", u"mai", u"dai", u"tai", u"nai",
    u"lai", u"gai", u"kai", u"hai", u"zai", u"cai", u"sai", u"bei", u"pei", u"mei", u"fei", u"dei",
    u"tei", u"nei", u"lei", u"gei", u"kei", u"hei", u"zei", u"bao", u"pao", u"mao", u"dao", u"tao",
    u"nao", u"lao", u"gao", u"kao", u"hao", u"zao", u"cao", u"sao", u"rao", u"pou", u"mou", u"fou",
    u"dou", u"tou", u"nou", u"lou", u"gou", u"kou", u"hou", u"zou", u"cou", u"sou", u"rou", u"ban",
    u"pan", u"man", u"fan", u"dan", u"tan", u"nan", u"lan", u"gan", u"kan", u"han", u"zan", u"can",
    u"san", u"ran", u"ang", u"ben", u"pen", u"men", u"fen", u"den", u"nen", u"gen", u"ken", u"hen",
    u"zen", u"cen", u"sen", u"ren", u"eng", u"zhu", u"chu", u"shu", u"gua", u"kua", u"hua", u"rua",
    u"duo", u"tuo", u"nuo", u"luo", u"guo", u"kuo", u"huo", u"zuo", u"cuo", u"suo", u"ruo", u"wai",
    u"dui", u"tui", u"gui", u"kui", u"hui", u"zui", u"cui", u"sui", u"rui", u"wei", u"wan", u"dun",
    u"tun", u"nun", u"lun", u"gun", u"kun", u"hun", u"zun", u"cun", u"sun", u"run", u"wen", u"zhi",
    u"chi", u"shi", u"dia", u"lia", u"jia", u"qia", u"xia", u"bie", u"pie", u"mie", u"die", u"tie",
    u"nie", u"lie", u"jie", u"qie", u"xie", u"yao", u"miu", u"diu", u"niu", u"liu", u"jiu", u"qiu",
    u"xiu", u"you", u"yan", u"bin", u"pin", u"min", u"nin", u"lin", u"jin", u"qin", u"xin", u"yin",
    u"nue", u"lue", u"jue", u"que", u"xue", u"yue", u"jun", u"qun", u"xun", u"yun",
    // 2 letters
    u"n\u00fc", u"l\u00fc", u"ba", u"pa", u"ma", u"fa", u"da", u"ta", u"na", u"la", u"ga", u"ka",
    u"ha", u"za", u"ca", u"sa", u"bo", u"po", u"mo", u"fo", u"me", u"yo", u"de", u"te", u"ne",
    u"le", u"ge", u"ke", u"he", u"ze", u"ce", u"se", u"re", u"ai", u"ei", u"ao", u"ou", u"an",
    u"en", u"bu", u"pu", u"mu", u"fu", u"du", u"tu", u"nu", u"lu", u"gu", u"ku", u"hu", u"zu",
    u"cu", u"su", u"ru", u"wu", u"wa", u"wo", u"bi", u"pi", u"mi", u"di", u"ti", u"ni", u"li",
    u"zi", u"ci", u"si", u"ri", u"ji", u"qi", u"xi", u"yi", u"ya", u"ye", u"ju", u"qu", u"xu",
    u"yu", u"er",
    // 1 letter
    u"a", u"o", u"e"};

const char16_t* const vowelRowSource[] = {
    u"\u0101\u00e1\u01ce\u00e0a\u0100\u00c1\u01cd\u00c0A",           // a
    u"\u0113\u00e9\u011b\u00e8e\u0112\u00c9\u011a\u00c8E",           // e
    u"\u012b\u00ed\u01d0\u00eci\u012a\u00cd\u01cf\u00ccI",           // i
    u"\u014d\u00f3\u01d2\u00f2o\u014c\u00d3\u01d1\u00d2O",           // o
    u"\u016b\u00fa\u01d4\u00f9u\u016a\u00da\u01d3\u00d9U",           // u
    u"\u01d6\u01d8\u01da\u01dc\u00fc\u01d5\u01d7\u01d9\u01db\u00dc", // ü
};

constexpr char16_t uUmlaut = u'\u00fc';

// Stands in for a character whose lower-case form is more than one code unit long: such a
// character can never be part of a syllable.
constexpr char16_t noLetter = 0xffff;

// A syllable as the scanners compare it: its characters and length.
struct Candidate
{
    const char16_t* text;
    qsizetype length;
};

struct Tables
{
    QStringList syllables;
    QStringList vowelRows;
    // Syllable indexes by first letter ('a'-'z' at 0-25, 'ü' at 26), each in table order, so
    // walking one bucket gives the same first match as walking the whole table.
    std::array<std::vector<Candidate>, 27> byFirstLetter;
    // Plain vowel of every tone-vowel character, for removeToneMarks().
    QHash<char16_t, char16_t> plainVowel;
    bool filled = false;
};

Tables& tables()
{
    static Tables t;
    return t;
}

int bucketOf(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return c - u'a';
    if (c == uUmlaut)
        return 26;
    return -1;
}

bool isToneDigit(QChar c)
{
    return c.unicode() >= u'1' && c.unicode() <= u'5';
}

// Lower-case form of one character, or noLetter when it lower-cases to several code units.
char16_t lowerUnit(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return (u >= u'A' && u <= u'Z') ? char16_t(u + 32) : u;
    const QString lower = QString(c).toLower();
    return lower.size() == 1 ? lower.at(0).unicode() : noLetter;
}

// The text lower-cased code unit by code unit (same length as the text).
QString lowerUnits(const QString& text)
{
    QString result(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = lowerUnit(text.at(i));
    return result;
}

char16_t plainVowelOf(char16_t c)
{
    const auto& map = tables().plainVowel;
    const auto it = map.constFind(c);
    return it == map.constEnd() ? c : it.value();
}

// Length of the first syllable (in table order) equal to the text at p, or 0. The text must be
// already in the form the syllables are compared with (lower case for the scanners).
qsizetype matchAt(const QString& text, qsizetype p)
{
    const int bucket = bucketOf(text.at(p).unicode());
    if (bucket < 0)
        return 0;
    const qsizetype remaining = text.size() - p;
    const char16_t* at = reinterpret_cast<const char16_t*>(text.constData()) + p;
    // The first letter is equal for every candidate of the bucket.
    for (const Candidate& candidate : tables().byFirstLetter[size_t(bucket)]) {
        if (candidate.length > remaining)
            continue;
        qsizetype i = 1;
        while (i < candidate.length && at[i] == candidate.text[i])
            ++i;
        if (i == candidate.length)
            return candidate.length;
    }
    return 0;
}

QString toUmlautForm(QString text)
{
    // Single-character searches first: they are much cheaper than the replacements.
    if (!text.contains(QLatin1Char('v')) && !text.contains(QLatin1Char(':')))
        return text;
    text.replace(QLatin1String("u:"), QString(QChar(uUmlaut)));
    text.replace(QLatin1Char('v'), QChar(uUmlaut));
    return text;
}

QString toVForm(QString text)
{
    text.replace(QChar(uUmlaut), QLatin1Char('v'));
    text.replace(QLatin1String("u:"), QLatin1String("v"));
    return text;
}

// The dictionary writes the erhua suffix as a separate "r5" and unknown readings as "xx5".
QString replaceErhuaAndPlaceholder(QString text)
{
    // Every pattern ends in "r5" or "x5": look for those before running the replacements.
    bool found = false;
    for (qsizetype i = 1; i < text.size() && !found; ++i)
        found = text.at(i) == QLatin1Char('5') &&
                (text.at(i - 1) == QLatin1Char('r') || text.at(i - 1) == QLatin1Char('x'));
    if (!found)
        return text;
    static const QString spacedErhua = QStringLiteral(" r5");
    static const QString erhua = QStringLiteral("r5");
    static const QString r = QStringLiteral("r");
    static const QString placeholder = QStringLiteral("xx5");
    static const QString unknown = QStringLiteral("?");
    text.replace(spacedErhua, r);
    text.replace(erhua, r);
    text.replace(placeholder, unknown);
    return text;
}

} // namespace

void initPinyinTables()
{
    Tables& t = tables();
    if (t.filled)
        return;
    t.filled = true;
    for (const char16_t* s : syllableSource) {
        const QString syllable = QString::fromUtf16(s);
        const int bucket = bucketOf(syllable.at(0).unicode());
        // The candidates point into the source literals, which live as long as the process.
        t.byFirstLetter[size_t(bucket)].push_back({s, syllable.size()});
        t.syllables.append(syllable);
    }
    for (const char16_t* s : vowelRowSource) {
        const QString row = QString::fromUtf16(s);
        for (int column = 0; column < row.size(); ++column)
            t.plainVowel.insert(row.at(column).unicode(), row.at(column < 5 ? 4 : 9).unicode());
        t.vowelRows.append(row);
    }
}

const QStringList& pinyinSyllables()
{
    return tables().syllables;
}

const QStringList& toneVowelRows()
{
    return tables().vowelRows;
}

bool isPinyinSeparator(QChar c)
{
    // A lookup table for the ASCII separators, built once; three more outside ASCII.
    static const std::array<bool, 128> ascii = [] {
        std::array<bool, 128> table{};
        for (const char c : std::string_view(" \n\r\t,?;./:<>=+%`$*-_)@#&'(!{[|\\^]}\""))
            table[size_t(uchar(c))] = true;
        return table;
    }();
    const char16_t u = c.unicode();
    if (u < 128)
        return ascii[u];
    return u == u'\u00a3' || u == u'\u00b0' || u == u'\u00a7'; // £ ° §
}

bool isChineseCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DFF) ||
           (u >= 0xF900 && u <= 0xFAFF);
}

bool isChineseCodePoint(char32_t c)
{
    if (c <= 0xFFFF)
        return isChineseCharacter(QChar(char16_t(c)));
    return c >= 0x20000 && c <= 0x3134F;
}

bool containsChineseCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isChineseCharacter(c))
            return true;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() &&
            isChineseCodePoint(QChar::surrogateToUcs4(c, text.at(i + 1))))
            return true;
    }
    return false;
}

QColor toneColor(int tone)
{
    switch (tone) {
    case 1:
        return QColor(255, 33, 33);
    case 2:
        return QColor(230, 160, 0);
    case 3:
        return QColor(0, 177, 0);
    case 4:
        return QColor(0, 0, 255);
    default:
        return QColor(0, 0, 0);
    }
}

QString removeToneNumbers(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!isToneDigit(c))
            result.append(c);
    }
    return result;
}

QString setTone(const QString& syllable, int tone)
{
    return removeToneNumbers(syllable) + QString::number(tone);
}

QString withDefaultTone(const QString& syllable)
{
    if (syllable.isEmpty() || isToneDigit(syllable.back()))
        return syllable;
    return syllable + QLatin1Char('5');
}

void addDefaultTones(QStringList& syllables)
{
    for (QString& syllable : syllables)
        syllable = withDefaultTone(syllable);
}

QString toAudioSyllable(const QString& syllable)
{
    if (syllable.isEmpty())
        return syllable;
    // The recordings are named in lower case; names are written capitalised ("Bei3jing1").
    QString key = toVForm(lowerUnits(syllable));
    if (key.isEmpty() || !isToneDigit(key.back()))
        key.append(QLatin1Char('1'));
    return key;
}

bool isPinyin(const QString& text)
{
    if (text.isEmpty())
        return true;
    // Note the order: "v" first, then "u:".
    QString s = text;
    s.replace(QLatin1Char('v'), QChar(uUmlaut));
    s.replace(QLatin1String("u:"), QString(QChar(uUmlaut)));
    qsizetype p = 0;
    while (p < s.size()) {
        const qsizetype length = matchAt(s, p);
        if (length == 0)
            return false;
        p += length;
        if (p < s.size() && isToneDigit(s.at(p)))
            ++p;
    }
    return true;
}

QString removeToneMarks(const QString& text)
{
    QString result = text;
    char16_t* data = reinterpret_cast<char16_t*>(result.data());
    for (qsizetype i = 0; i < result.size(); ++i)
        data[i] = plainVowelOf(data[i]);
    return result;
}

int toneOfMarked(const QString& syllable)
{
    static const int columns[] = {0, 1, 2, 3, 5, 6, 7, 8};
    for (const QString& row : tables().vowelRows) {
        for (const int column : columns) {
            if (syllable.contains(row.at(column)))
                return column < 5 ? column + 1 : column - 4;
        }
    }
    return 5;
}

QStringList splitSyllables(const QString& text)
{
    QStringList result;
    const QString s = toUmlautForm(text.trimmed());
    if (s.isEmpty())
        return result;
    const QString lower = lowerUnits(s);
    qsizetype p = 0;
    while (p < s.size()) {
        if (isPinyinSeparator(s.at(p))) {
            ++p;
            continue;
        }
        const qsizetype length = matchAt(lower, p);
        if (length == 0) {
            ++p;
            continue;
        }
        const qsizetype start = p;
        p += length;
        if (p < s.size() && isToneDigit(s.at(p)))
            ++p;
        result.append(replaceErhuaAndPlaceholder(s.mid(start, p - start)));
    }
    return result;
}

QStringList canonicalSyllables(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s'\u2019-]+"));
    // Every ü spelling becomes the one the syllable table uses, whose "lue" and "nue" are lüe
    // and nüe; then tone marks become digits.
    QString lower = toUmlautForm(lowerUnits(text.trimmed()));
    for (qsizetype i = 0; i + 1 < lower.size(); ++i) {
        if (lower.at(i) == QChar(uUmlaut) && plainVowelOf(lower.at(i + 1).unicode()) == u'e')
            lower[i] = QLatin1Char('u');
    }
    const QString numbered = toUmlautForm(markedToNumbered(lower, true));
    QStringList result;
    for (const QString& chunk : numbered.split(separators, Qt::SkipEmptyParts)) {
        qsizetype p = 0;
        while (p < chunk.size()) {
            qsizetype length = matchAt(chunk, p);
            if (length == 0 && chunk.at(p) == QLatin1Char('r'))
                length = 1; // the erhua suffix written as a syllable of its own
            if (length == 0)
                return {};
            QString syllable = chunk.mid(p, length);
            p += length;
            if (p < chunk.size() && isToneDigit(chunk.at(p)))
                syllable.append(chunk.at(p++));
            else if (p < chunk.size() && chunk.at(p).isDigit())
                return {};
            syllable = withDefaultTone(syllable);
            if (syllable.startsWith(QLatin1String("lue")) ||
                syllable.startsWith(QLatin1String("nue")))
                syllable.replace(1, 1, QStringLiteral("u:"));
            syllable.replace(QChar(uUmlaut), QLatin1String("u:"));
            result.append(syllable);
        }
    }
    return result;
}

QString markedSyllableToNumbered(const QString& syllable, bool forceTone)
{
    const int tone = toneOfMarked(syllable);
    QString s = removeToneMarks(syllable);
    if (!s.isEmpty() && (forceTone || tone != 5))
        s.append(QString::number(tone));
    return s;
}

QString markedToNumbered(const QString& text, bool forceTone)
{
    if (text.isEmpty())
        return QString();
    // Compare lower-cased letters without their tone marks.
    QString plain = lowerUnits(text);
    char16_t* data = reinterpret_cast<char16_t*>(plain.data());
    for (qsizetype i = 0; i < plain.size(); ++i)
        data[i] = plainVowelOf(data[i]);

    QString result;
    result.reserve(text.size() + text.size() / 2);
    qsizetype p = 0;
    while (p < text.size()) {
        if (isPinyinSeparator(text.at(p))) {
            result.append(text.at(p++));
            continue;
        }
        const qsizetype length = matchAt(plain, p);
        if (length == 0) {
            result.append(text.at(p++));
            continue;
        }
        const QString token = text.mid(p, length);
        p += length;
        if (p < text.size() && isToneDigit(text.at(p))) {
            result.append(token);
            result.append(text.at(p++));
        } else {
            result.append(markedSyllableToNumbered(token, forceTone));
        }
    }
    result.replace(QChar(uUmlaut), QLatin1String("u:"));
    result.replace(QLatin1Char('v'), QLatin1String("u:"));
    return result;
}

// A final digit other than 1-5 ('0', '6'-'9') is not a tone: the syllable is treated as
// neutral (no mark is placed) and the digit stays in the text. Only ASCII digits count.
QString numberedSyllableToMarked(const QString& syllable)
{
    QString s = toVForm(syllable);
    if (s.isEmpty())
        return s;
    int tone = 5;
    if (isToneDigit(s.back())) {
        tone = s.back().unicode() - u'0';
        s.chop(1);
    }
    const int column = tone - 1;

    std::vector<bool> upper(size_t(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i)
        upper[size_t(i)] = s.at(i) == s.at(i).toUpper();

    // Lower-case unit by unit so that the case mask stays aligned with the characters.
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = s.at(i).toLower();

    qsizetype at = -1;
    int row = -1;
    if ((at = s.indexOf(QLatin1Char('a'))) >= 0) {
        row = 0;
    } else if ((at = s.indexOf(QLatin1Char('e'))) >= 0) {
        row = 1;
    } else if ((at = s.indexOf(QLatin1String("ou"))) >= 0) {
        row = 3;
    } else {
        for (qsizetype i = s.size() - 1; i >= 0; --i) {
            const char16_t c = s.at(i).unicode();
            if (c == u'i' || c == u'o' || c == u'u' || c == u'v') {
                at = i;
                row = c == u'i' ? 2 : c == u'o' ? 3 : c == u'u' ? 4 : 5;
                break;
            }
        }
    }
    const QStringList& rows = tables().vowelRows;
    if (row < 0 || row >= rows.size())
        return s;

    s[at] = rows.at(row).at(column);
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (upper[size_t(i)])
            s[i] = s.at(i).toUpper();
    }
    return s;
}

QString numberedToMarked(const QString& text)
{
    if (text.isEmpty())
        return QString();
    const QString s = toUmlautForm(text);
    const QString lower = lowerUnits(s);
    QString result;
    result.reserve(s.size());
    qsizetype p = 0;
    while (p < s.size()) {
        if (isPinyinSeparator(s.at(p))) {
            result.append(s.at(p++));
            continue;
        }
        const qsizetype length = matchAt(lower, p);
        if (length == 0) {
            result.append(s.at(p++));
            continue;
        }
        QString token = s.mid(p, length);
        p += length;
        if (p < s.size() && isToneDigit(s.at(p)))
            token.append(s.at(p++));
        result.append(numberedSyllableToMarked(token));
    }
    return replaceErhuaAndPlaceholder(result);
}

} // namespace korvo
