#include "text/pluralrule.h"
#include "text/translationcatalogue.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace korvo;

using Messages = QList<QPair<QByteArray, QByteArray>>;

// Builds a compiled message catalogue in the given byte order; entry 0 is the header.
static QByteArray buildMo(const Messages& messages, bool bigEndian)
{
    auto number = [bigEndian](quint32 value) {
        QByteArray bytes(4, '\0');
        if (bigEndian)
            qToBigEndian(value, bytes.data());
        else
            qToLittleEndian(value, bytes.data());
        return bytes;
    };
    const quint32 count = quint32(messages.size());
    const quint32 sourceTable = 28;
    const quint32 translationTable = sourceTable + 8 * count;
    quint32 stringOffset = translationTable + 8 * count;

    QByteArray sources;
    QByteArray translations;
    QByteArray strings;
    for (const auto& message : messages) {
        sources += number(quint32(message.first.size())) + number(stringOffset);
        strings += message.first + '\0';
        stringOffset += quint32(message.first.size()) + 1;
    }
    for (const auto& message : messages) {
        translations += number(quint32(message.second.size())) + number(stringOffset);
        strings += message.second + '\0';
        stringOffset += quint32(message.second.size()) + 1;
    }
    QByteArray file = number(0x950412de) + number(0) + number(count) + number(sourceTable) +
                      number(translationTable) + number(0) + number(stringOffset);
    return file + sources + translations + strings;
}

static QByteArray header(const QByteArray& charset)
{
    return "Project-Id-Version: Quillet\nMIME-Version: 1.0\nContent-Type: text/plain; charset=" +
           charset + "\nContent-Transfer-Encoding: 8bit\n";
}

static Messages germanMessages(const QByteArray& charset = "UTF-8")
{
    return {{"", header(charset)},
            {"Deck", "Stapel"},
            {"Hello", "Hallo"},
            {"Caf\xc3\xa9", "Kaffee"},
            {"Open %1", "%1 \xc3\xb6"
                        "ffnen"}};
}

static void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

class TestTranslationCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void translatesInEitherByteOrder_data();
    void translatesInEitherByteOrder();
    void loadsCatalogueFromBytes();
    void readsCatalogueMadeByMsgfmt();
    void prefersFullLocaleThenLanguage();
    void rereadsAfterLocaleChange();
    void remembersMisses();
    void decodesByCharset_data();
    void decodesByCharset();
    void ignoresDamagedFiles_data();
    void ignoresDamagedFiles();
    void survivesTruncationAndCorruption();
    void needsACatalogueFolder();
    void splitsLocaleCodes_data();
    void splitsLocaleCodes();
    void listsAvailableLocales();
    void namesLocales_data();
    void namesLocales();
    void knowsAllLanguageNames();
    void offersOneProcessWideCatalogue();
    void pluralRulesPickTheForm_data();
    void pluralRulesPickTheForm();
    void translatesPluralForms();

private:
    QString catalogueFolder() const { return m_dir->path() + QStringLiteral("/locales"); }
    QString moPath(const QString& locale) const
    {
        return catalogueFolder() + QLatin1Char('/') + locale + QStringLiteral("/application.mo");
    }
    void configure(TranslationCatalogue& catalogue, const QString& locale) const
    {
        catalogue.setDataFolder(m_dir->path());
        catalogue.setCatalogueName(QStringLiteral("application"));
        catalogue.setFallbackLanguage(QStringLiteral("en"));
        catalogue.setLocale(locale);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestTranslationCatalogue::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestTranslationCatalogue::translatesInEitherByteOrder_data()
{
    QTest::addColumn<bool>("bigEndian");
    QTest::newRow("little endian") << false;
    QTest::newRow("big endian") << true;
}

void TestTranslationCatalogue::translatesInEitherByteOrder()
{
    QFETCH(bool, bigEndian);
    writeFile(moPath("de"), buildMo(germanMessages(), bigEndian));
    TranslationCatalogue catalogue;
    configure(catalogue, "de");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));
    QCOMPARE(catalogue.translate("Deck"), QStringLiteral("Stapel"));
    QCOMPARE(catalogue.translate(QStringLiteral("Café")), QStringLiteral("Kaffee"));
    QCOMPARE(catalogue.translate("Open %1").arg("x"), QStringLiteral("x öffnen"));
    QCOMPARE(catalogue.translate("Goodbye"), QStringLiteral("Goodbye"));
    // The empty text is not a key: it would find the catalogue header.
    QCOMPARE(catalogue.translate(QString()), QString());
    QCOMPARE(catalogue.charset(), QStringLiteral("utf-8"));
}

void TestTranslationCatalogue::loadsCatalogueFromBytes()
{
    TranslationCatalogue catalogue;
    QVERIFY(catalogue.loadCatalogueData(buildMo(germanMessages("ISO-LATIN-1"), true)));
    QVERIFY(catalogue.isLoaded());
    QCOMPARE(catalogue.charset(), QStringLiteral("iso-latin-1"));
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));
    QCOMPARE(catalogue.translate("Goodbye"), QStringLiteral("Goodbye"));

    // Damaged bytes leave no catalogue, also not the one loaded before.
    QVERIFY(!catalogue.loadCatalogueData(buildMo(germanMessages(), false).left(30)));
    QVERIFY(!catalogue.isLoaded());
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hello"));

    // A locale change goes back to the files.
    writeFile(moPath("de"), buildMo(germanMessages(), false));
    QVERIFY(!catalogue.loadCatalogueData(QByteArray()));
    configure(catalogue, "de");
    QCOMPARE(catalogue.translate("Deck"), QStringLiteral("Stapel"));
}

void TestTranslationCatalogue::readsCatalogueMadeByMsgfmt()
{
    const QString msgfmt = QStandardPaths::findExecutable("msgfmt");
    if (msgfmt.isEmpty())
        QSKIP("msgfmt is not installed");
    const QString po = m_dir->path() + "/fr.po";
    QFile file(po);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
               "msgid \"Practice\"\nmsgstr \"Entra\xc3\xaenement\"\n\n"
               "msgid \"Untranslated\"\nmsgstr \"\"\n");
    file.close();
    QDir().mkpath(catalogueFolder() + "/fr");
    for (const char* order : {"--endianness=little", "--endianness=big"}) {
        QCOMPARE(QProcess::execute(msgfmt, {order, "-o", moPath("fr"), po}), 0);
        TranslationCatalogue catalogue;
        configure(catalogue, "fr_FR");
        QCOMPARE(catalogue.translate("Practice"), QStringLiteral("Entraînement"));
        QCOMPARE(catalogue.translate("Untranslated"), QStringLiteral("Untranslated"));
    }
}

void TestTranslationCatalogue::prefersFullLocaleThenLanguage()
{
    writeFile(moPath("de"), buildMo(germanMessages(), false));
    TranslationCatalogue catalogue;
    configure(catalogue, "de_DE");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));

    writeFile(moPath("de_AT"), buildMo({{"", header("UTF-8")}, {"Hello", "Servus"}}, false));
    catalogue.setLocale("de_AT");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Servus"));
    QCOMPARE(catalogue.translate("Deck"), QStringLiteral("Deck"));
}

void TestTranslationCatalogue::rereadsAfterLocaleChange()
{
    writeFile(moPath("de"), buildMo(germanMessages(), false));
    writeFile(moPath("fr"), buildMo({{"", header("UTF-8")}, {"Hello", "Bonjour"}}, true));
    TranslationCatalogue catalogue;
    configure(catalogue, "de");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));
    catalogue.setLocale("fr");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Bonjour"));
    catalogue.setLocale("it");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hello"));
    QVERIFY(!catalogue.isLoaded());
    catalogue.setLocale("de");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));
}

void TestTranslationCatalogue::remembersMisses()
{
    writeFile(moPath("de"), buildMo(germanMessages(), false));
    TranslationCatalogue catalogue;
    configure(catalogue, "de");
    QCOMPARE(catalogue.translate("Missing"), QStringLiteral("Missing"));
    QCOMPARE(catalogue.fileSearchCount(), 1);
    QCOMPARE(catalogue.translate("Missing"), QStringLiteral("Missing"));
    QCOMPARE(catalogue.fileSearchCount(), 1);
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hallo"));
    QCOMPARE(catalogue.fileSearchCount(), 2);
    // A new locale starts a new cache.
    catalogue.setLocale("de");
    QCOMPARE(catalogue.translate("Missing"), QStringLiteral("Missing"));
    QCOMPARE(catalogue.fileSearchCount(), 1);
}

void TestTranslationCatalogue::decodesByCharset_data()
{
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("charsetName");

    const QByteArray utf8("\xc3\xb6"
                          "ffnen");
    QTest::newRow("utf-8") << QByteArray("UTF-8") << utf8 << "öffnen"
                           << "utf-8";
    QTest::newRow("placeholder name") << QByteArray("CHARSET") << utf8 << "öffnen"
                                      << "";
    QTest::newRow("empty name") << QByteArray("") << utf8 << "öffnen"
                                << "";
    QTest::newRow("unknown name") << QByteArray("koi8-r") << utf8 << "öffnen"
                                  << "koi8-r";
    QTest::newRow("latin-1") << QByteArray("ISO-Latin-1")
                             << QByteArray("\xf6"
                                           "ffnen")
                             << "öffnen"
                             << "iso-latin-1";
}

void TestTranslationCatalogue::decodesByCharset()
{
    QFETCH(QByteArray, charset);
    QFETCH(QByteArray, stored);
    QFETCH(QString, expected);
    QFETCH(QString, charsetName);
    writeFile(moPath("de"), buildMo({{"", header(charset)}, {"Open", stored}}, false));
    TranslationCatalogue catalogue;
    configure(catalogue, "de");
    QCOMPARE(catalogue.translate("Open"), expected);
    QCOMPARE(catalogue.charset(), charsetName);
}

void TestTranslationCatalogue::ignoresDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray good = buildMo(germanMessages(), false);
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    QByteArray tableOutside = good;
    qToLittleEndian<quint32>(0xfffffff0u, tableOutside.data() + 12);
    QByteArray hugeCount = good;
    qToLittleEndian<quint32>(0x7fffffffu, hugeCount.data() + 8);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("short header") << good.left(20);
    QTest::newRow("bad magic") << badMagic;
    QTest::newRow("table outside") << tableOutside;
    QTest::newRow("huge count") << hugeCount;
    QTest::newRow("text file") << QByteArray("msgid \"Hello\"\nmsgstr \"Hallo\"\n");
}

void TestTranslationCatalogue::ignoresDamagedFiles()
{
    QFETCH(QByteArray, bytes);
    writeFile(moPath("de"), bytes);
    TranslationCatalogue catalogue;
    configure(catalogue, "de");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hello"));
    QVERIFY(!catalogue.isLoaded());
}

void TestTranslationCatalogue::survivesTruncationAndCorruption()
{
    const QByteArray good = buildMo(germanMessages(), true);
    TranslationCatalogue catalogue;
    configure(catalogue, "de");

    // Every prefix of a valid file: strings cut off lie outside the file and are not read.
    for (int length = 0; length < good.size(); ++length) {
        writeFile(moPath("de"), good.left(length));
        catalogue.setLocale("de");
        const QString hello = catalogue.translate("Hello");
        QVERIFY(hello == QLatin1String("Hello") || hello == QLatin1String("Hallo"));
        catalogue.translate("Deck");
        catalogue.translate("Missing");
    }

    // A string offset pointing past the end: that entry is skipped, others still work.
    QByteArray badEntry = good;
    qToBigEndian<quint32>(0xffffff00u, badEntry.data() + 28 + 8 * 2 + 4);
    writeFile(moPath("de"), badEntry);
    catalogue.setLocale("de");
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hello"));
    QCOMPARE(catalogue.translate("Deck"), QStringLiteral("Stapel"));

    // Random damage in the header and tables never makes a lookup fail hard.
    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = good;
        for (int i = 0; i < 4; ++i)
            damaged[int(random->bounded(qMin<qsizetype>(damaged.size(), 28 + 16 * 5)))] =
                char(random->bounded(256));
        writeFile(moPath("de"), damaged);
        catalogue.setLocale("de");
        catalogue.translate("Hello");
        catalogue.translate("Open %1");
        catalogue.charset();
    }
}

void TestTranslationCatalogue::needsACatalogueFolder()
{
    TranslationCatalogue catalogue;
    QCOMPARE(catalogue.catalogueFolder(), QString());
    QCOMPARE(catalogue.locale(), QStringLiteral("en_US"));
    QCOMPARE(catalogue.translate("Hello"), QStringLiteral("Hello"));
    QVERIFY(!catalogue.isLoaded());
    catalogue.setDataFolder(m_dir->path());
    QCOMPARE(catalogue.catalogueFolder(), m_dir->path() + QStringLiteral("/locales"));
}

void TestTranslationCatalogue::splitsLocaleCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("locale");

    QTest::newRow("language only") << "de"
                                   << "de"
                                   << ""
                                   << "de";
    QTest::newRow("with country") << "pt_BR"
                                  << "pt"
                                  << "BR"
                                  << "pt_BR";
    QTest::newRow("empty country") << "fr_"
                                   << "fr"
                                   << ""
                                   << "fr";
    QTest::newRow("long country") << "sr_Latn_RS_extra"
                                  << "sr"
                                  << "Latn_RS_ex"
                                  << "sr_Latn_RS_ex";
}

void TestTranslationCatalogue::splitsLocaleCodes()
{
    QFETCH(QString, code);
    QFETCH(QString, language);
    QFETCH(QString, country);
    QFETCH(QString, locale);
    TranslationCatalogue catalogue;
    catalogue.setLocale(code);
    QCOMPARE(catalogue.language(), language);
    QCOMPARE(catalogue.country(), country);
    QCOMPARE(catalogue.locale(), locale);
}

void TestTranslationCatalogue::listsAvailableLocales()
{
    QDir().mkpath(catalogueFolder() + "/fr");
    QDir().mkpath(catalogueFolder() + "/de");
    writeFile(catalogueFolder() + "/README", "not a locale");
    TranslationCatalogue catalogue;
    configure(catalogue, "de");
    QCOMPARE(catalogue.availableLocales(), QStringList({"de", "fr", "en"}));

    // Kept once computed; recomputed for another folder.
    QDir().mkpath(catalogueFolder() + "/it");
    QCOMPARE(catalogue.availableLocales(), QStringList({"de", "fr", "en"}));
    catalogue.setFallbackLanguage("fr");
    QCOMPARE(catalogue.availableLocales(), QStringList({"de", "fr", "it"}));
    catalogue.setCatalogueFolder(m_dir->path() + "/nowhere");
    QCOMPARE(catalogue.availableLocales(), QStringList({"fr"}));
}

void TestTranslationCatalogue::namesLocales_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("pt_BR") << "pt_BR"
                           << "Português (Brasil)";
    QTest::newRow("zh_CN") << "zh_CN"
                           << "中文 (简体)";
    QTest::newRow("zh_TW") << "zh_TW"
                           << "中文 (繁體)";
    QTest::newRow("zh") << "zh"
                        << "中文 (繁體)";
    QTest::newRow("zh_HK") << "zh_HK"
                           << "中文";
    QTest::newRow("en_US") << "en_US"
                           << "English";
    QTest::newRow("native") << "de"
                            << "Deutsch";
    QTest::newRow("native hebrew") << "he"
                                   << "עיברית";
    QTest::newRow("english only") << "aa"
                                  << "Afar";
    QTest::newRow("older form") << "be"
                                << "Byelorussian";
    QTest::newRow("other country") << "ab_CN"
                                   << "Abkhazian (中国)";
    QTest::newRow("unknown") << "xx"
                             << "";
    QTest::newRow("unknown with country") << "xx_BR"
                                          << " (Brasil)";
    QTest::newRow("one letter") << "e"
                                << "";
}

void TestTranslationCatalogue::namesLocales()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QCOMPARE(TranslationCatalogue::localeDisplayName(code), name);
}

void TestTranslationCatalogue::knowsAllLanguageNames()
{
    const QStringList codes = TranslationCatalogue::languageCodes();
    QCOMPARE(codes.size(), 140);
    QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), 140);
    for (const QString& code : codes) {
        QCOMPARE(code.size(), 2);
        QVERIFY2(!TranslationCatalogue::englishLanguageName(code).isEmpty(), qPrintable(code));
    }
    const QList<QPair<const char*, const char*>> olderForms{
        {"bn", "Bangla"},         {"dz", "Bhutani"}, {"km", "Cambodian"},
        {"lo", "Laothian"},       {"lv", "Lettish"}, {"mo", "Moldavian"},
        {"sh", "Serbo-Croatian"}, {"zh", "Chinese"}, {"zu", "Zulu"}};
    for (const auto& pair : olderForms)
        QCOMPARE(TranslationCatalogue::englishLanguageName(pair.first), QString(pair.second));
    for (const char* code :
         {"an", "da", "de", "en", "es", "fr", "he", "it", "lt", "nl", "pl", "pt", "ru",
          "sk", "sq", "sr", "tr", "ja", "ko", "sv", "el", "zh", "ro", "et", "vi", "hu"})
        QVERIFY2(!TranslationCatalogue::nativeLanguageName(code).isEmpty(), code);
    QCOMPARE(TranslationCatalogue::nativeLanguageName("vi"), QStringLiteral("Tiếng Việt"));
}

void TestTranslationCatalogue::offersOneProcessWideCatalogue()
{
    writeFile(moPath("de"), buildMo(germanMessages(), false));
    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    QCOMPARE(TranslationCatalogue::instance(), catalogue);
    QCOMPARE(translate("Hello"), QStringLiteral("Hello"));
    configure(*catalogue, "de");
    QCOMPARE(translate("Hello"), QStringLiteral("Hallo"));
    TranslationCatalogue::destroyInstance();
    // A fresh catalogue after destruction starts unconfigured.
    QCOMPARE(translate("Hello"), QStringLiteral("Hello"));
    TranslationCatalogue::destroyInstance();
}

void TestTranslationCatalogue::pluralRulesPickTheForm_data()
{
    QTest::addColumn<QByteArray>("rule");
    QTest::addColumn<QList<int>>("forms"); // for n = 0, 1, 2, 5, 11, 21, 22, 25, 101
    const QByteArray polish = "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 "
                              "|| n%100>=20) ? 1 : 2);";
    const QByteArray russian = "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && "
                               "n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);";
    QTest::newRow("german") << QByteArray("nplurals=2; plural=(n != 1);")
                            << QList<int>{1, 0, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("french") << QByteArray("nplurals=2; plural=(n > 1);")
                            << QList<int>{0, 0, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("chinese") << QByteArray("nplurals=1; plural=0;")
                             << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("polish") << polish << QList<int>{2, 0, 1, 2, 2, 2, 1, 2, 2};
    QTest::newRow("russian") << russian << QList<int>{2, 0, 1, 2, 2, 0, 1, 2, 0};
    QTest::newRow("no rule: english")
        << QByteArray("Language: xx") << QList<int>{1, 0, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("broken: english")
        << QByteArray("nplurals=2; plural=(n != ;") << QList<int>{1, 0, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("deep nesting refused") << "nplurals=2; plural=" + QByteArray(5000, '(') + "n"
                                          << QList<int>{1, 0, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("form beyond the count clamped")
        << QByteArray("nplurals=2; plural=n*7;") << QList<int>{0, 1, 1, 1, 1, 1, 1, 1, 1};
}

void TestTranslationCatalogue::pluralRulesPickTheForm()
{
    QFETCH(QByteArray, rule);
    QFETCH(QList<int>, forms);
    const PluralRule parsed =
        PluralRule::fromHeader("Content-Type: text/plain\nPlural-Forms: " + rule + "\n");
    QList<int> picked;
    for (qint64 n : {0, 1, 2, 5, 11, 21, 22, 25, 101})
        picked << parsed.formFor(n);
    QCOMPARE(picked, forms);
}

void TestTranslationCatalogue::translatesPluralForms()
{
    TranslationCatalogue catalogue;
    configure(catalogue, "fr");
    writeFile(
        moPath("fr"),
        buildMo({{"", header("UTF-8") + "Plural-Forms: nplurals=2; plural=(n > 1);\n"},
                 {QByteArray("%1 card\0%1 cards", 16), QByteArray("%1 carte\0%1 cartes", 18)}},
                false));
    QCOMPARE(catalogue.translatePlural("%1 card", "%1 cards", 0), QStringLiteral("%1 carte"));
    QCOMPARE(catalogue.translatePlural("%1 card", "%1 cards", 1), QStringLiteral("%1 carte"));
    QCOMPARE(catalogue.translatePlural("%1 card", "%1 cards", 2), QStringLiteral("%1 cartes"));
    // Texts the catalogue lacks follow English.
    QCOMPARE(catalogue.translatePlural("%1 deck", "%1 decks", 1), QStringLiteral("%1 deck"));
    QCOMPARE(catalogue.translatePlural("%1 deck", "%1 decks", 0), QStringLiteral("%1 decks"));
}

QTEST_GUILESS_MAIN(TestTranslationCatalogue)
#include "tst_translationcatalogue.moc"
