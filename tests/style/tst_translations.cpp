#include "text/translationcatalogue.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using korvo::TranslationCatalogue;

namespace {

const QString sourceLocales = QStringLiteral(QUILLET_SOURCE_DIR "/data/locales");
const QString builtLocales = QStringLiteral(QUILLET_DATA_DIR "/locales");

struct PoEntry
{
    QString msgid;
    QString msgstr;
    bool obsolete = false;
    bool fuzzy = false;
    int line = 0;
};

QString unquote(const QString& text)
{
    QString result;
    const QString body = text.mid(1, text.size() - 2);
    for (int i = 0; i < body.size(); ++i) {
        if (body.at(i) == '\\' && i + 1 < body.size()) {
            const QChar next = body.at(++i);
            result += next == 'n' ? QChar('\n') : next == 't' ? QChar('\t') : next;
        } else {
            result += body.at(i);
        }
    }
    return result;
}

// Reads the entries of a .po file, obsolete ones ("#~") included, header excluded.
QList<PoEntry> readPo(const QString& path)
{
    QList<PoEntry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entries;
    PoEntry current;
    QString* target = nullptr;
    bool fuzzyPending = false;
    int number = 0;
    auto flush = [&] {
        if (!current.msgid.isEmpty())
            entries.append(current);
        current = PoEntry();
        target = nullptr;
    };
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        bool obsolete = false;
        if (line.startsWith("#~")) {
            obsolete = true;
            line = line.mid(2).trimmed();
        } else if (line.startsWith("#,")) {
            fuzzyPending = line.contains("fuzzy");
            continue;
        } else if (line.startsWith('#') || line.isEmpty()) {
            continue;
        }
        if (line.startsWith("msgid ")) {
            flush();
            current.obsolete = obsolete;
            current.fuzzy = fuzzyPending;
            current.line = number;
            fuzzyPending = false;
            current.msgid = unquote(line.mid(6));
            target = &current.msgid;
        } else if (line.startsWith("msgstr ")) {
            current.msgstr = unquote(line.mid(7));
            target = &current.msgstr;
        } else if (line.startsWith('"') && target) {
            *target += unquote(line);
        }
    }
    flush();
    return entries;
}

QStringList placeholders(const QString& text)
{
    QStringList result;
    QRegularExpressionMatchIterator it = QRegularExpression("%\\d+").globalMatch(text);
    while (it.hasNext())
        result.append(it.next().captured());
    result.sort();
    return result;
}

QStringList poFiles()
{
    QStringList files;
    const QStringList codes = QDir(sourceLocales).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& code : codes) {
        if (QFile::exists(sourceLocales + "/" + code + "/application.po"))
            files.append(code);
    }
    return files;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void theFiveLanguagesAreThere();
    void everyCatalogueCompiles_data();
    void everyCatalogueCompiles();
    void translationsKeepTheirPlaceholders_data();
    void translationsKeepTheirPlaceholders();
    void catalogueTranslatesSampleTexts_data();
    void catalogueTranslatesSampleTexts();
    void builtinDeckTitlesAreTranslatedEverywhere();
};

void TestTranslations::theFiveLanguagesAreThere()
{
    const QStringList codes = poFiles();
    for (const char* code : {"de", "fr", "es", "zh_CN", "zh_TW"})
        QVERIFY2(codes.contains(code), qPrintable(code));
    QVERIFY(QFile::exists(sourceLocales + "/application.pot"));
}

void TestTranslations::everyCatalogueCompiles_data()
{
    QTest::addColumn<QString>("code");
    for (const QString& code : poFiles())
        QTest::newRow(qPrintable(code)) << code;
}

void TestTranslations::everyCatalogueCompiles()
{
    QFETCH(QString, code);
    const QString msgfmt = QStandardPaths::findExecutable("msgfmt");
    QVERIFY2(!msgfmt.isEmpty(), "msgfmt (Debian package gettext) is needed");
    QTemporaryDir dir;
    QProcess process;
    process.start(msgfmt, {"--check", "--output-file=" + dir.filePath("out.mo"),
                           sourceLocales + "/" + code + "/application.po"});
    QVERIFY(process.waitForFinished(30000));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardError().constData());
    // The build compiled the same file into the data folder.
    QVERIFY(QFile::exists(builtLocales + "/" + code + "/application.mo"));
}

void TestTranslations::translationsKeepTheirPlaceholders_data()
{
    everyCatalogueCompiles_data();
}

void TestTranslations::translationsKeepTheirPlaceholders()
{
    QFETCH(QString, code);
    const QList<PoEntry> entries = readPo(sourceLocales + "/" + code + "/application.po");
    QVERIFY(entries.size() > 40);
    int translated = 0;
    for (const PoEntry& entry : entries) {
        if (entry.msgstr.isEmpty())
            continue;
        ++translated;
        const QString where = QString("%1 line %2: %3").arg(code).arg(entry.line).arg(entry.msgid);
        QVERIFY2(placeholders(entry.msgid) == placeholders(entry.msgstr), qPrintable(where));
        QVERIFY2(entry.msgid.endsWith('\n') == entry.msgstr.endsWith('\n'), qPrintable(where));
    }
    QVERIFY(translated > 40);
}

void TestTranslations::catalogueTranslatesSampleTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("de") << "de_DE"
                        << "Cancel"
                        << "Abbrechen";
    QTest::newRow("fr") << "fr"
                        << "Search in dictionary"
                        << "Chercher dans le dictionnaire";
    QTest::newRow("es") << "es_ES"
                        << "Yes"
                        << "Sí";
    QTest::newRow("zh_CN") << "zh_CN"
                           << "View stroke order"
                           << "查看笔顺";
    QTest::newRow("zh_TW") << "zh_TW"
                           << "View stroke order"
                           << "檢視筆順";
    QTest::newRow("no catalogue") << "it"
                                  << "Cancel"
                                  << "Cancel";
}

void TestTranslations::catalogueTranslatesSampleTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    TranslationCatalogue catalogue;
    catalogue.setCatalogueFolder(builtLocales);
    catalogue.setCatalogueName("application");
    catalogue.setFallbackLanguage("en");
    catalogue.setLocale(locale);
    QCOMPARE(catalogue.translate(source), expected);
    QCOMPARE(catalogue.translate("A text nobody translated"), QString("A text nobody translated"));
}

void TestTranslations::builtinDeckTitlesAreTranslatedEverywhere()
{
    const QStringList titles = {
        "Chinese radicals",  "HSK levels", "Common characters", "%1 most common characters",
        "HSK %1 (Level %2)", "Elementary", "Intermediate",      "Advanced"};
    for (const QString& code : poFiles()) {
        TranslationCatalogue catalogue;
        catalogue.setCatalogueFolder(builtLocales);
        catalogue.setCatalogueName("application");
        catalogue.setLocale(code);
        for (const QString& title : titles) {
            const QString translation = catalogue.translate(title);
            QVERIFY2(translation != title, qPrintable(code + ": " + title));
            QCOMPARE(placeholders(translation), placeholders(title));
        }
    }
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
