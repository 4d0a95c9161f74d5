#include "text/translationcatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>

#include <cstring>
#include <memory>

namespace korvo {

namespace {

constexpr quint32 moMagic = 0x950412de;
constexpr quint32 moMagicSwapped = 0xde120495;
constexpr qsizetype moHeaderSize = 28;
// Real catalogues are a few hundred kilobytes; anything far larger is not one.
constexpr qint64 moMaximumSize = 64 * 1024 * 1024;

std::unique_ptr<TranslationCatalogue>& theInstance()
{
    static std::unique_ptr<TranslationCatalogue> catalogue;
    return catalogue;
}

struct LanguageName
{
    const char* code;
    const char* name;
};

const LanguageName englishNames[] = {
    {"aa", "Afar"},           {"ab", "Abkhazian"},    {"af", "Afrikaans"},    {"am", "Amharic"},
    {"an", "Aragonese"},      {"ar", "Arabic"},       {"as", "Assamese"},     {"ay", "Aymara"},
    {"az", "Azerbaijani"},    {"ba", "Bashkir"},      {"be", "Byelorussian"}, {"bg", "Bulgarian"},
    {"bh", "Bihari"},         {"bi", "Bislama"},      {"bn", "Bangla"},       {"bo", "Tibetan"},
    {"br", "Breton"},         {"ca", "Catalan"},      {"co", "Corsican"},     {"cs", "Czech"},
    {"cy", "Welsh"},          {"da", "Danish"},       {"de", "German"},       {"dz", "Bhutani"},
    {"el", "Greek"},          {"en", "English"},      {"eo", "Esperanto"},    {"es", "Spanish"},
    {"et", "Estonian"},       {"eu", "Basque"},       {"fa", "Persian"},      {"fi", "Finnish"},
    {"fj", "Fiji"},           {"fo", "Faroese"},      {"fr", "French"},       {"fy", "Frisian"},
    {"ga", "Irish"},          {"gd", "Scots Gaelic"}, {"gl", "Galician"},     {"gn", "Guarani"},
    {"gu", "Gujarati"},       {"ha", "Hausa"},        {"he", "Hebrew"},       {"hi", "Hindi"},
    {"hr", "Croatian"},       {"hu", "Hungarian"},    {"hy", "Armenian"},     {"ia", "Interlingua"},
    {"id", "Indonesian"},     {"ie", "Interlingue"},  {"ik", "Inupiak"},      {"is", "Icelandic"},
    {"it", "Italian"},        {"iu", "Inuktitut"},    {"ja", "Japanese"},     {"jw", "Javanese"},
    {"ka", "Georgian"},       {"kk", "Kazakh"},       {"kl", "Greenlandic"},  {"km", "Cambodian"},
    {"kn", "Kannada"},        {"ko", "Korean"},       {"ks", "Kashmiri"},     {"ku", "Kurdish"},
    {"ky", "Kirghiz"},        {"la", "Latin"},        {"ln", "Lingala"},      {"lo", "Laothian"},
    {"lt", "Lithuanian"},     {"lv", "Lettish"},      {"mg", "Malagasy"},     {"mi", "Maori"},
    {"mk", "Macedonian"},     {"ml", "Malayalam"},    {"mn", "Mongolian"},    {"mo", "Moldavian"},
    {"mr", "Marathi"},        {"ms", "Malay"},        {"mt", "Maltese"},      {"my", "Burmese"},
    {"na", "Nauru"},          {"ne", "Nepali"},       {"nl", "Dutch"},        {"no", "Norwegian"},
    {"oc", "Occitan"},        {"om", "Oromo"},        {"or", "Oriya"},        {"pa", "Punjabi"},
    {"pl", "Polish"},         {"ps", "Pashto"},       {"pt", "Portuguese"},   {"qu", "Quechua"},
    {"rm", "Rhaeto-Romance"}, {"rn", "Kirundi"},      {"ro", "Romanian"},     {"ru", "Russian"},
    {"rw", "Kinyarwanda"},    {"sa", "Sanskrit"},     {"sd", "Sindhi"},       {"sg", "Sangho"},
    {"sh", "Serbo-Croatian"}, {"si", "Sinhalese"},    {"sk", "Slovak"},       {"sl", "Slovenian"},
    {"sm", "Samoan"},         {"sn", "Shona"},        {"so", "Somali"},       {"sq", "Albanian"},
    {"sr", "Serbian"},        {"ss", "Siswati"},      {"st", "Sesotho"},      {"su", "Sundanese"},
    {"sv", "Swedish"},        {"sw", "Swahili"},      {"ta", "Tamil"},        {"te", "Telugu"},
    {"tg", "Tajik"},          {"th", "Thai"},         {"ti", "Tigrinya"},     {"tk", "Turkmen"},
    {"tl", "Tagalog"},        {"tn", "Setswana"},     {"to", "Tonga"},        {"tr", "Turkish"},
    {"ts", "Tsonga"},         {"tt", "Tatar"},        {"tw", "Twi"},          {"ug", "Uighur"},
    {"uk", "Ukrainian"},      {"ur", "Urdu"},         {"uz", "Uzbek"},        {"vi", "Vietnamese"},
    {"vo", "Volapuk"},        {"wo", "Wolof"},        {"xh", "Xhosa"},        {"yi", "Yiddish"},
    {"yo", "Yoruba"},         {"za", "Zhuang"},       {"zh", "Chinese"},      {"zu", "Zulu"},
};

// Names in the language itself (UTF-8), for the languages with interface translations.
const LanguageName nativeNames[] = {
    {"an", "Aragonés"},       {"da", "Dansk"},      {"de", "Deutsch"}, {"en", "English"},
    {"es", "Español"},        {"fr", "Français"},   {"he", "עיברית"},  {"it", "Italiano"},
    {"lt", "Lietuvių kalba"}, {"nl", "Nederlands"}, {"pl", "Polski"},  {"pt", "Português"},
    {"ru", "Русский"},        {"sk", "Slovenčina"}, {"sq", "Shqip"},   {"sr", "српски језик"},
    {"tr", "Türkçe"},         {"ja", "日本語"},     {"ko", "한국말"},  {"sv", "Svenska"},
    {"el", "ελληνικά"},       {"zh", "中文"},       {"ro", "Română"},  {"et", "Eesti Keel"},
    {"vi", "Tiếng Việt"},     {"hu", "Magyar"},
};

const LanguageName countryNames[] = {
    {"BR", "Brasil"},
    {"CN", "中国"},
};

template <size_t N> QString findName(const LanguageName (&table)[N], const QString& code)
{
    const QByteArray key = code.toUtf8();
    for (const LanguageName& entry : table) {
        if (key == entry.code)
            return QString::fromUtf8(entry.name);
    }
    return QString();
}

} // namespace

TranslationCatalogue::TranslationCatalogue() = default;
TranslationCatalogue::~TranslationCatalogue() = default;

TranslationCatalogue* TranslationCatalogue::instance()
{
    auto& catalogue = theInstance();
    if (!catalogue)
        catalogue = std::make_unique<TranslationCatalogue>();
    return catalogue.get();
}

void TranslationCatalogue::destroyInstance()
{
    theInstance().reset();
}

void TranslationCatalogue::setCatalogueFolder(const QString& folder)
{
    m_folder = folder;
    m_availableLocalesKnown = false;
    close();
}

void TranslationCatalogue::setDataFolder(const QString& dataFolder)
{
    setCatalogueFolder(dataFolder + QStringLiteral("/locales"));
}

void TranslationCatalogue::setCatalogueName(const QString& name)
{
    m_name = name;
    close();
}

void TranslationCatalogue::setFallbackLanguage(const QString& language)
{
    m_fallbackLanguage = language;
    m_availableLocalesKnown = false;
}

void TranslationCatalogue::setLocale(const QString& code)
{
    const qsizetype underscore = code.indexOf(QLatin1Char('_'));
    if (underscore < 0) {
        m_language = code;
        m_country.clear();
    } else {
        m_language = code.left(underscore);
        m_country = code.mid(underscore + 1, 10);
    }
    m_locale = m_country.isEmpty() ? m_language : m_language + QLatin1Char('_') + m_country;
    close();
}

void TranslationCatalogue::close()
{
    m_data.clear();
    m_swapped = false;
    m_loaded = false;
    m_loadAttempted = false;
    m_count = 0;
    m_sourceTable = 0;
    m_translationTable = 0;
    m_charset.clear();
    m_pluralRule = PluralRule();
    m_cache.clear();
    m_fileSearches = 0;
}

void TranslationCatalogue::ensureLoaded()
{
    if (m_loadAttempted)
        return;
    // One attempt per configuration: a missing file is not looked for again on every lookup.
    m_loadAttempted = true;
    if (m_folder.isEmpty())
        return;
    const QString fileName = m_name + QStringLiteral(".mo");
    const QString fullPath = m_folder + QLatin1Char('/') + m_locale + QLatin1Char('/') + fileName;
    if (load(fullPath))
        return;
    load(m_folder + QLatin1Char('/') + m_language + QLatin1Char('/') + fileName);
}

bool TranslationCatalogue::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size > moMaximumSize) {
        qWarning("Translation catalogue %s is too large, ignored", qPrintable(path));
        return true;
    }
    m_data = file.readAll();
    if (m_data.size() != size) {
        qWarning("Translation catalogue %s could not be read whole, ignored", qPrintable(path));
        m_data.clear();
        return true;
    }
    parse(path);
    return true;
}

bool TranslationCatalogue::loadCatalogueData(const QByteArray& bytes)
{
    close();
    m_loadAttempted = true;
    m_data = bytes;
    return parse(QStringLiteral("(data)"));
}

bool TranslationCatalogue::parse(const QString& path)
{
    if (m_data.size() < moHeaderSize) {
        qWarning("Translation catalogue %s is too short, ignored", qPrintable(path));
        m_data.clear();
        return false;
    }
    quint32 magic;
    std::memcpy(&magic, m_data.constData(), sizeof magic);
    if (magic == moMagicSwapped) {
        m_swapped = true;
    } else if (magic != moMagic) {
        qWarning("%s is not a message catalogue, ignored", qPrintable(path));
        m_data.clear();
        return false;
    }
    m_count = number(8);
    m_sourceTable = number(12);
    m_translationTable = number(16);
    // Both tables must lie inside the file; single strings are checked when they are read.
    const quint64 tableBytes = quint64(m_count) * 8;
    if (quint64(m_sourceTable) + tableBytes > quint64(m_data.size()) ||
        quint64(m_translationTable) + tableBytes > quint64(m_data.size())) {
        qWarning("Translation catalogue %s is damaged, ignored", qPrintable(path));
        m_data.clear();
        m_swapped = false;
        m_count = 0;
        return false;
    }
    m_loaded = true;

    QByteArray header;
    if (m_count > 0 && entry(m_translationTable, 0, &header)) {
        static const QByteArray marker("Content-Type: text/plain; charset=");
        const qsizetype at = header.indexOf(marker);
        if (at >= 0) {
            const qsizetype start = at + marker.size();
            qsizetype end = header.indexOf('\n', start);
            if (end < 0)
                end = header.size();
            const QString name = QString::fromLatin1(header.mid(start, end - start));
            if (!name.isEmpty() && name != QLatin1String("CHARSET"))
                m_charset = name.toLower();
        }
        m_pluralRule = PluralRule::fromHeader(header);
    }
    return true;
}

quint32 TranslationCatalogue::number(qsizetype offset) const
{
    quint32 value;
    std::memcpy(&value, m_data.constData() + offset, sizeof value);
    return m_swapped ? qbswap(value) : value;
}

bool TranslationCatalogue::entry(quint32 tableOffset, quint32 index, QByteArray* bytes) const
{
    if (index >= m_count)
        return false;
    const qsizetype at = qsizetype(tableOffset) + qsizetype(index) * 8;
    const quint32 length = number(at);
    const quint32 offset = number(at + 4);
    if (quint64(offset) + quint64(length) > quint64(m_data.size()))
        return false;
    *bytes = QByteArray::fromRawData(m_data.constData() + offset, qsizetype(length));
    return true;
}

QString TranslationCatalogue::decode(const QByteArray& bytes) const
{
    if (m_charset == QLatin1String("utf-16")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return decoder.decode(bytes);
    }
    if (m_charset.contains(QLatin1String("latin-1")))
        return QString::fromLatin1(bytes);
    if (m_charset.contains(QLatin1String("ucs-4"))) {
        QStringDecoder decoder(QStringDecoder::Utf32);
        return decoder.decode(bytes);
    }
    return QString::fromUtf8(bytes);
}

QString TranslationCatalogue::translate(const QString& text)
{
    // The empty key would find the catalogue header, which is not a translation.
    if (text.isEmpty())
        return text;
    ensureLoaded();
    if (!m_loaded)
        return text;
    QByteArray translation;
    const qint64 found = findEntry(text.toUtf8());
    if (found < 0 || !entry(m_translationTable, quint32(found), &translation))
        return text;
    return decode(translation);
}

// A plural entry's source is the singular and the plural joined by a NUL; its translation holds
// every form of the language, separated the same way.
QString TranslationCatalogue::translatePlural(const QString& singular, const QString& plural,
                                              qint64 n)
{
    const QString english = n == 1 ? singular : plural;
    if (singular.isEmpty())
        return english;
    ensureLoaded();
    if (!m_loaded)
        return english;
    QByteArray translation;
    const qint64 found = findEntry(singular.toUtf8() + '\0' + plural.toUtf8());
    if (found < 0 || !entry(m_translationTable, quint32(found), &translation))
        return english;
    const QList<QByteArray> forms = translation.split('\0');
    const int form = m_pluralRule.formFor(n);
    if (form >= forms.size() || forms.at(form).isEmpty())
        return english;
    return decode(forms.at(form));
}

qint64 TranslationCatalogue::findEntry(const QByteArray& key)
{
    const auto cached = m_cache.constFind(key);
    if (cached != m_cache.constEnd())
        return cached.value();
    ++m_fileSearches;
    qint64 found = -1;
    QByteArray source;
    for (quint32 i = 0; i < m_count; ++i) {
        if (entry(m_sourceTable, i, &source) && source == key) {
            found = i;
            break;
        }
    }
    m_cache.insert(key, found);
    return found;
}

bool TranslationCatalogue::isLoaded()
{
    ensureLoaded();
    return m_loaded;
}

QString TranslationCatalogue::charset()
{
    ensureLoaded();
    return m_charset;
}

QStringList TranslationCatalogue::availableLocales()
{
    if (m_availableLocalesKnown)
        return m_availableLocales;
    m_availableLocalesKnown = true;
    m_availableLocales.clear();
    if (!m_folder.isEmpty()) {
        m_availableLocales =
            QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    if (!m_fallbackLanguage.isEmpty() && !m_availableLocales.contains(m_fallbackLanguage))
        m_availableLocales.append(m_fallbackLanguage);
    return m_availableLocales;
}

QString TranslationCatalogue::localeDisplayName(const QString& code)
{
    const QString language = code.left(2);
    const QString country = code.size() <= 2 ? QString() : code.mid(3, 2);

    QString name = nativeLanguageName(language);
    if (name.isEmpty())
        name = englishLanguageName(language);

    const bool chinese = language == QLatin1String("zh");
    QString countryPart;
    if (!country.isEmpty()) {
        if (chinese && country == QLatin1String("CN"))
            countryPart = QString::fromUtf8("简体");
        else
            countryPart = findName(countryNames, country);
    }
    if (chinese && (country.isEmpty() || country == QLatin1String("TW")))
        countryPart = QString::fromUtf8("繁體");

    if (!countryPart.isEmpty())
        name += QStringLiteral(" (") + countryPart + QLatin1Char(')');
    return name;
}

QString TranslationCatalogue::englishLanguageName(const QString& code)
{
    return findName(englishNames, code);
}

QString TranslationCatalogue::nativeLanguageName(const QString& code)
{
    return findName(nativeNames, code);
}

QStringList TranslationCatalogue::languageCodes()
{
    QStringList codes;
    for (const LanguageName& entry : englishNames)
        codes.append(QString::fromLatin1(entry.code));
    return codes;
}

QString translate(const QString& text)
{
    return TranslationCatalogue::instance()->translate(text);
}

QString translatePlural(const QString& singular, const QString& plural, qint64 n)
{
    return TranslationCatalogue::instance()->translatePlural(singular, plural, n);
}

} // namespace korvo
