#include "profile/builtindecks.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/translationcatalogue.h"

#include <QImage>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;
using namespace profiletest;

// Built-in decks: placeholder titles, the root folder's identifier and deck-tree items.
class TestBuiltInDecks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void placeholderTitles_data();
    void placeholderTitles();
    void setTitleKeepsPlaceholderShownUnchanged();
    void savingKeepsTheTitleTranslatable();
    void rootIdentifierStaysFixed();
    void treeItemsCarryIconsAndSubtree();

private:
    void openProfile();
    QTemporaryDir m_catalogues;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
};

void TestBuiltInDecks::initTestCase()
{
    QVERIFY(m_catalogues.isValid());
    QVERIFY(QDir().mkpath(m_catalogues.filePath("de")));
    const QMap<QByteArray, QByteArray> german = {
        {"", "Content-Type: text/plain; charset=UTF-8\n"},
        {"HSK %1 (Level %2)", "HSK %1 (Stufe %2)"},
        {"Elementary", "Grundstufe"},
        {"Intermediate", "Mittelstufe"},
        {"Advanced", "Oberstufe"},
        {"%1 most common characters", "Die %1 häufigsten Schriftzeichen"},
        {"HSK levels", "HSK-Stufen"},
        {"Common characters", "Häufige Schriftzeichen"},
        {"Chinese radicals", "Chinesische Radikale"},
    };
    QVERIFY(writeMessageCatalogue(m_catalogues.filePath("de/application.mo"), german));
    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    catalogue->setCatalogueFolder(m_catalogues.path());
    catalogue->setCatalogueName("application");
}

void TestBuiltInDecks::cleanupTestCase()
{
    TranslationCatalogue::destroyInstance();
}

void TestBuiltInDecks::init()
{
    TranslationCatalogue::instance()->setLocale("en");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(createTemplate(m_dir->filePath("Profile.default.db"),
                           {"INSERT INTO Decks (id, title, sortOrder, isFolder) VALUES "
                            "(1, '{HSK_DECKS}', 1, 1)",
                            "INSERT INTO Decks (id, title, sortOrder, parentId) VALUES "
                            "(2, '{HSK_1}', 1, 1)",
                            "INSERT INTO Decks (id, title, sortOrder, parentId) VALUES "
                            "(3, '{HSK_2}', 2, 1)",
                            "INSERT INTO Decks (id, title, sortOrder) VALUES "
                            "(4, '{CHINESE_RADICALS}', 2)"}));
    openProfile();
}

void TestBuiltInDecks::cleanup()
{
    m_profile.reset();
    m_dir.reset();
    TranslationCatalogue::instance()->setLocale("en");
}

void TestBuiltInDecks::openProfile()
{
    m_profile.reset();
    m_profile =
        profiletest::openProfile(m_dir->filePath("profile"), m_dir->filePath("Profile.default.db"));
}

void TestBuiltInDecks::placeholderTitles_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QList<QStringList> cases = {
        {"{HSK_3}", "HSK Intermediate (Level 3)", "HSK Mittelstufe (Stufe 3)"},
        {"{HSK_1}", "HSK Elementary (Level 1)", "HSK Grundstufe (Stufe 1)"},
        {"{HSK_6}", "HSK Advanced (Level 6)", "HSK Oberstufe (Stufe 6)"},
        {"{HSK_7}", "HSK  (Level 7)", "HSK  (Stufe 7)"},
        {"{HSK_X}", "{HSK_X}", "{HSK_X}"},
        {"{COMMON_CHARACTERS_500}", "500 most common characters",
         "Die 500 häufigsten Schriftzeichen"},
        {"{HSK_DECKS}", "HSK levels", "HSK-Stufen"},
        {"{COMMON_CHARACTER_DECKS}", "Common characters", "Häufige Schriftzeichen"},
        {"{CHINESE_RADICALS}", "Chinese radicals", "Chinesische Radikale"},
        {"{}", "{}", "{}"},
        {"{UNKNOWN}", "{UNKNOWN}", "{UNKNOWN}"},
        {"HSK levels", "HSK levels", "HSK levels"},
        {"{HSK_3", "{HSK_3", "{HSK_3"},
    };
    for (const QStringList& row : cases) {
        QTest::addRow("en %s", qPrintable(row.at(0))) << "en" << row.at(0) << row.at(1);
        QTest::addRow("de %s", qPrintable(row.at(0))) << "de" << row.at(0) << row.at(2);
    }
}

void TestBuiltInDecks::placeholderTitles()
{
    QFETCH(QString, locale);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    TranslationCatalogue::instance()->setLocale(locale);
    QCOMPARE(builtInDisplayTitle(stored), shown);
    Deck* deck = m_profile->newDeck();
    deck->setTitle(stored);
    QCOMPARE(deck->displayTitle(), shown);
}

void TestBuiltInDecks::setTitleKeepsPlaceholderShownUnchanged()
{
    Deck* folder = m_profile->deckById(1);
    QVERIFY(folder);
    QCOMPARE(folder->title(), QStringLiteral("{HSK_DECKS}"));
    folder->setTitle("HSK levels"); // an editor handing back the shown text
    QCOMPARE(folder->title(), QStringLiteral("{HSK_DECKS}"));
    folder->setTitle("My HSK");
    QCOMPARE(folder->title(), QStringLiteral("My HSK"));
    QCOMPARE(folder->displayTitle(), QStringLiteral("My HSK"));
}

// Saved in one language (unchanged, reordered or with a card dropped on it), a built-in deck
// still shows its title in every other.
void TestBuiltInDecks::savingKeepsTheTitleTranslatable()
{
    TranslationCatalogue::instance()->setLocale("de");
    Deck* deck = m_profile->deckById(2);
    QCOMPARE(deck->displayTitle(), QStringLiteral("HSK Grundstufe (Stufe 1)"));
    m_profile->saveDeck(deck, true, false);
    m_profile->renumberDecks();
    QCOMPARE(scalar(m_profile->database(), "SELECT title FROM Decks WHERE id = 2").toString(),
             QStringLiteral("{HSK_1}"));
    TranslationCatalogue::instance()->setLocale("en");
    openProfile();
    QCOMPARE(m_profile->deckById(2)->displayTitle(), QStringLiteral("HSK Elementary (Level 1)"));
}

void TestBuiltInDecks::rootIdentifierStaysFixed()
{
    const QString uuid = m_profile->rootDeck()->uuid();
    QVERIFY(QRegularExpression("^[A-Za-z0-9]{22}$").match(uuid).hasMatch());
    QCOMPARE(m_profile->setting("rootDeckUuid").toString(), uuid);
    m_profile->saveSettings();
    openProfile();
    QCOMPARE(m_profile->rootDeck()->uuid(), uuid);

    // An empty stored identifier is replaced once and then kept.
    m_profile->setSetting("rootDeckUuid", QString());
    m_profile->saveSettings();
    openProfile();
    const QString replaced = m_profile->rootDeck()->uuid();
    QCOMPARE(replaced.size(), 22);
    QVERIFY(replaced != uuid);
    m_profile->saveSettings();
    openProfile();
    QCOMPARE(m_profile->rootDeck()->uuid(), replaced);
}

void TestBuiltInDecks::treeItemsCarryIconsAndSubtree()
{
    QTemporaryDir skin;
    QVERIFY(skin.isValid());
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(skin.filePath(Deck::iconFileName(true))));
    image.fill(Qt::blue);
    QVERIFY(image.save(skin.filePath(Deck::iconFileName(false))));
    QCOMPARE(Deck::iconFileName(true), QStringLiteral("FolderIcon.png"));
    QCOMPARE(Deck::iconFileName(false), QStringLiteral("DeckIcon.png"));

    Deck* folder = m_profile->deckById(1);
    std::unique_ptr<QStandardItem> item(folder->treeItem(skin.path()));
    QCOMPARE(item->text(), QStringLiteral("HSK levels"));
    QCOMPARE(item->data(Qt::UserRole).toInt(), 1);
    QCOMPARE(item->flags(), Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
                                Qt::ItemIsEnabled);
    QCOMPARE(item->rowCount(), 2);
    QCOMPARE(item->child(0)->text(), QStringLiteral("HSK Elementary (Level 1)"));
    QCOMPARE(item->child(1)->data(Qt::UserRole).toInt(), 3);
    QCOMPARE(item->child(0)->rowCount(), 0);
    const QImage folderIcon = item->icon().pixmap(8, 8).toImage();
    const QImage deckIcon = item->child(0)->icon().pixmap(8, 8).toImage();
    QCOMPARE(QColor(folderIcon.pixel(4, 4)), QColor(Qt::red));
    QCOMPARE(QColor(deckIcon.pixel(4, 4)), QColor(Qt::blue));

    std::unique_ptr<QStandardItem> rootItem(m_profile->rootDeck()->treeItem(skin.path()));
    QCOMPARE(rootItem->rowCount(), 2);
    QCOMPARE(rootItem->child(1)->text(), QStringLiteral("Chinese radicals"));
}

QTEST_MAIN(TestBuiltInDecks)
#include "tst_builtindecks.moc"
