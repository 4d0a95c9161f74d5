#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "text/pluralrule.h"

// The process-wide translation catalogue: every text shown to the user passes through it.
//
// The English source text is the key; the translation comes from a compiled GNU message
// catalogue ("<catalogue folder>/<locale>/<name>.mo", or "<folder>/<language>/<name>.mo" when
// the full locale has no folder), read by the small reader below in either byte order. The
// catalogue is loaded on the first lookup after the locale was set; each key is searched in the
// file once and the answer, a miss included, is cached. Damaged or truncated files never make
// a lookup read outside the file: they simply yield no translations.
//
// The application object configures the one instance at start-up (the folder is "locales"
// under the data folder it computes) and destroys it at exit. Not thread-safe: GUI thread only.
namespace korvo {

class TranslationCatalogue
{
public:
    TranslationCatalogue();
    ~TranslationCatalogue();
    TranslationCatalogue(const TranslationCatalogue&) = delete;
    TranslationCatalogue& operator=(const TranslationCatalogue&) = delete;

    // The process-wide catalogue, created on first use.
    static TranslationCatalogue* instance();
    static void destroyInstance();

    // Folder holding one sub-folder per locale. Empty (the default) means no catalogue.
    void setCatalogueFolder(const QString& folder);
    // Shorthand for setCatalogueFolder(dataFolder + "/locales").
    void setDataFolder(const QString& dataFolder);
    void setCatalogueName(const QString& name);
    void setFallbackLanguage(const QString& language);
    // "de", "de_DE", "pt_BR"...: closes the loaded catalogue so the next lookup loads the new one.
    void setLocale(const QString& code);

    QString catalogueFolder() const { return m_folder; }
    QString catalogueName() const { return m_name; }
    QString fallbackLanguage() const { return m_fallbackLanguage; }
    QString language() const { return m_language; }
    QString country() const { return m_country; }
    QString locale() const { return m_locale; }

    // The translation of an English source text, or the text itself when there is none.
    QString translate(const QString& text);
    // The translation of a text about `n` things in the form the language uses for n (the
    // catalogue's Plural-Forms rule picks it); without one, English's: `singular` for 1,
    // `plural` otherwise. The count is not filled in: texts keep their "%1".
    QString translatePlural(const QString& singular, const QString& plural, qint64 n);

    // Takes the bytes as the catalogue of the current locale, as if they had been read from its
    // file (which is then not looked for). Returns whether they hold a usable catalogue; when
    // not, every lookup returns its text unchanged until the locale or folder changes.
    bool loadCatalogueData(const QByteArray& bytes);

    // Whether a catalogue file is loaded (triggers the load like a lookup would).
    bool isLoaded();
    // Lower-case charset name of the loaded catalogue, empty when it names none.
    QString charset();
    // How many keys were searched in the file since it was loaded (cached answers excluded).
    int fileSearchCount() const { return m_fileSearches; }

    // Sub-folders of the catalogue folder (sorted by name), then the fallback language when not
    // among them. Computed once per folder.
    QStringList availableLocales();

    // "pt_BR" -> "Português (Brasil)", "zh_CN" -> "中文 (简体)"...
    static QString localeDisplayName(const QString& code);
    // Usual English name of a two-letter language code; empty when unknown.
    static QString englishLanguageName(const QString& code);
    // Name of the language in itself, for the languages with interface translations.
    static QString nativeLanguageName(const QString& code);
    // The codes that have an English name.
    static QStringList languageCodes();

private:
    void close();
    void ensureLoaded();
    bool load(const QString& path);
    // Parses the bytes in m_data (the path only names them in warnings); false when they are
    // not a usable catalogue (m_data is then emptied).
    bool parse(const QString& path);
    quint32 number(qsizetype offset) const;
    // Bytes of string i of the table at tableOffset; false when the entry lies outside the file.
    bool entry(quint32 tableOffset, quint32 index, QByteArray* bytes) const;
    QString decode(const QByteArray& bytes) const;
    // Index of the catalogue entry whose source is `key`, or -1.
    qint64 findEntry(const QByteArray& key);

    QString m_folder;
    QString m_name = QStringLiteral("locale");
    QString m_fallbackLanguage;
    QString m_language = QStringLiteral("en");
    QString m_country = QStringLiteral("US");
    QString m_locale = QStringLiteral("en_US");

    QByteArray m_data;
    bool m_swapped = false;
    bool m_loaded = false;
    bool m_loadAttempted = false;
    quint32 m_count = 0;
    quint32 m_sourceTable = 0;
    quint32 m_translationTable = 0;
    QString m_charset;
    PluralRule m_pluralRule;
    // Key -> index of its entry, or -1 for a key the catalogue does not have.
    QHash<QByteArray, qint64> m_cache;
    int m_fileSearches = 0;

    QStringList m_availableLocales;
    bool m_availableLocalesKnown = false;
};

// The translation of an English source text through the process-wide catalogue.
QString translate(const QString& text);
// The same for a text about `n` things ("%1 card" / "%1 cards"); fill the count in with arg().
QString translatePlural(const QString& singular, const QString& plural, qint64 n);
// Marks a literal kept in a table for translation: the text extraction sees it, and the code
// passes it to translate() where it is shown.
constexpr const char* translatable(const char* text)
{
    return text;
}

} // namespace korvo
