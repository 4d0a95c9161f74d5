#include "profile/deck.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"
#include "ui/editdeckdialog.h"
#include "uitestsupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace korvo;
using profiletest::scalarOnFile;

// The deck editor opened as the application opens it, filled in with the keyboard; titles,
// kinds and places of the saved decks are read back from Profile.db.
class TestEditDeckDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void untitledInCurrentLanguage_data();
    void untitledInCurrentLanguage();
    void newDeckPlacement_data();
    void newDeckPlacement();
    void folderCheckbox_data();
    void folderCheckbox();
    void editedDeckStaysInPlace();
    void builtInTitleSurvivesUnchangedEdit();
    void cancelMakesNothing();

private:
    Deck* runEditor(Deck* deck, Deck* insertionPoint,
                    const std::function<void(EditDeckDialog*)>& steps);
    QVariant stored(const QString& statement);
    QString storedChildren(int parentId);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<uitest::TestServices> m_services;
    // Tree: Folder [D1, D2], Top
    Deck* m_folder = nullptr;
    Deck* m_d1 = nullptr;
    Deck* m_d2 = nullptr;
    Deck* m_top = nullptr;
};

void TestEditDeckDialog::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
}

void TestEditDeckDialog::init()
{
    uitest::resetModalMissed();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = profiletest::openEmptyProfile(m_dir->path());
    QVERIFY(m_profile);
    m_folder = profiletest::makeStoredDeck(m_profile.get(), "Folder", true);
    m_d1 = profiletest::makeStoredDeck(m_profile.get(), "D1", false, m_folder);
    m_d2 = profiletest::makeStoredDeck(m_profile.get(), "D2", false, m_folder);
    m_top = profiletest::makeStoredDeck(m_profile.get(), "Top");
    m_profile->renumberDecks();
    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), nullptr);
}

void TestEditDeckDialog::cleanup()
{
    TranslationCatalogue::instance()->setLocale("en_US");
    TranslationCatalogue::instance()->setCatalogueFolder(QString());
    m_services.reset();
    m_profile.reset();
    m_dir.reset();
    QVERIFY(!uitest::modalMissed());
}

Deck* TestEditDeckDialog::runEditor(Deck* deck, Deck* insertionPoint,
                                    const std::function<void(EditDeckDialog*)>& steps)
{
    uitest::whenModal([steps](QWidget* modal) {
        auto* dialog = qobject_cast<EditDeckDialog*>(modal);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        steps(dialog);
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL("the steps left the editor open");
        }
    });
    return m_services->editDeck(deck, insertionPoint);
}

QVariant TestEditDeckDialog::stored(const QString& statement)
{
    return scalarOnFile(m_profile->databasePath(), statement);
}

QString TestEditDeckDialog::storedChildren(int parentId)
{
    return stored(QString("SELECT group_concat(title) FROM (SELECT title FROM Decks WHERE "
                          "parentId = %1 ORDER BY sortOrder)")
                      .arg(parentId))
        .toString();
}

void TestEditDeckDialog::untitledInCurrentLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::newRow("English, nothing typed") << "en_US"
                                            << ""
                                            << "Untitled";
    QTest::newRow("English, only spaces") << "en_US"
                                          << "   "
                                          << "Untitled";
    QTest::newRow("German") << "de"
                            << ""
                            << "Ohne Titel";
}

void TestEditDeckDialog::untitledInCurrentLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    TranslationCatalogue* catalogue = TranslationCatalogue::instance();
    catalogue->setDataFolder(uitest::dataFolder());
    catalogue->setCatalogueName("application");
    catalogue->setLocale(locale);

    Deck* saved = runEditor(nullptr, nullptr, [&](EditDeckDialog* dialog) {
        uitest::typeText(dialog->findChild<QLineEdit*>("titleTE"), typed);
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    QVERIFY(saved);
    QCOMPARE(stored(QString("SELECT title FROM Decks WHERE id = %1").arg(saved->id())).toString(),
             title);
}

void TestEditDeckDialog::newDeckPlacement_data()
{
    QTest::addColumn<QString>("insertionPoint");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("siblings");
    QTest::newRow("nothing selected: end of the tree") << ""
                                                       << ""
                                                       << "Folder,Top,New";
    QTest::newRow("folder: its last child") << "Folder"
                                            << "Folder"
                                            << "D1,D2,New";
    QTest::newRow("deck in a folder: right after it") << "D1"
                                                      << "Folder"
                                                      << "D1,New,D2";
    QTest::newRow("last deck in a folder") << "D2"
                                           << "Folder"
                                           << "D1,D2,New";
    QTest::newRow("top-level deck: right after it") << "Top"
                                                    << ""
                                                    << "Folder,Top,New";
}

void TestEditDeckDialog::newDeckPlacement()
{
    QFETCH(QString, insertionPoint);
    QFETCH(QString, parent);
    QFETCH(QString, siblings);
    const QMap<QString, Deck*> decks = {
        {"Folder", m_folder}, {"D1", m_d1}, {"D2", m_d2}, {"Top", m_top}};
    Deck* saved = runEditor(nullptr, decks.value(insertionPoint), [](EditDeckDialog* dialog) {
        uitest::typeText(dialog->findChild<QLineEdit*>("titleTE"), "New");
        // Return saves: Save is the dialog's default button.
        QTest::keyClick(dialog->findChild<QLineEdit*>("titleTE"), Qt::Key_Return);
    });
    QVERIFY(saved);
    QCOMPARE(m_services->deckEditor()->savedDeck(), saved);
    const int parentId = parent.isEmpty() ? 0 : decks.value(parent)->id();
    QCOMPARE(stored(QString("SELECT parentId FROM Decks WHERE id = %1").arg(saved->id())).toInt(),
             parentId);
    QCOMPARE(storedChildren(parentId), siblings);
    QCOMPARE(saved->parentId(), parentId);
}

void TestEditDeckDialog::folderCheckbox_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");
    QTest::newRow("creating") << ""
                              << "Create a deck folder" << true << false;
    QTest::newRow("editing a deck") << "D1"
                                    << "Deck folder" << false << false;
    QTest::newRow("editing a folder") << "Folder"
                                      << "Deck folder" << false << true;
}

void TestEditDeckDialog::folderCheckbox()
{
    QFETCH(QString, edited);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(bool, checked);
    Deck* deck = edited.isEmpty() ? nullptr : edited == "D1" ? m_d1 : m_folder;
    Deck* saved = runEditor(deck, nullptr, [&](EditDeckDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Deck"));
        auto* box = dialog->findChild<QCheckBox*>("folderCheckbox");
        QCOMPARE(box->text(), text);
        QCOMPARE(box->isEnabled(), enabled);
        QCOMPARE(box->isChecked(), checked);
        auto* title = dialog->findChild<QLineEdit*>("titleTE");
        QVERIFY(title->hasFocus());
        QCOMPARE(title->text(), edited);
        if (enabled)
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(5, box->height() / 2));
        title->selectAll();
        uitest::typeText(title, "Saved");
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QVERIFY(saved);
    QCOMPARE(stored(QString("SELECT title FROM Decks WHERE id = %1").arg(saved->id())).toString(),
             QStringLiteral("Saved"));
    // Creating with the box ticked makes a folder; an edited deck keeps its kind.
    QCOMPARE(stored(QString("SELECT isFolder FROM Decks WHERE id = %1").arg(saved->id())).toInt(),
             enabled || checked ? 1 : 0);
    QVERIFY(m_services->calls.contains("addHelpShortcut:EditDeckDialog:deck-properties"));
}

void TestEditDeckDialog::editedDeckStaysInPlace()
{
    // Even with an insertion point an edited deck does not move.
    Deck* saved = runEditor(m_d1, m_top, [](EditDeckDialog* dialog) {
        auto* title = dialog->findChild<QLineEdit*>("titleTE");
        title->selectAll();
        uitest::typeText(title, "First");
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QCOMPARE(saved, m_d1);
    QCOMPARE(storedChildren(m_folder->id()), QStringLiteral("First,D2"));
    QCOMPARE(storedChildren(0), QStringLiteral("Folder,Top"));
    QCOMPARE(stored("SELECT COUNT(*) FROM Decks").toInt(), 4);
}

void TestEditDeckDialog::builtInTitleSurvivesUnchangedEdit()
{
    Deck* builtIn = profiletest::makeStoredDeck(m_profile.get(), "{HSK_DECKS}", true);
    Deck* saved = runEditor(builtIn, nullptr, [](EditDeckDialog* dialog) {
        QCOMPARE(dialog->findChild<QLineEdit*>("titleTE")->text(), QStringLiteral("HSK levels"));
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QCOMPARE(saved, builtIn);
    QCOMPARE(builtIn->title(), QStringLiteral("{HSK_DECKS}"));
    // Stored as its placeholder, the title is shown in every language.
    QCOMPARE(stored(QString("SELECT title FROM Decks WHERE id = %1").arg(builtIn->id())).toString(),
             QStringLiteral("{HSK_DECKS}"));
}

void TestEditDeckDialog::cancelMakesNothing()
{
    const int childrenBefore = int(m_profile->rootDeck()->children().size());
    Deck* saved = runEditor(nullptr, m_folder, [](EditDeckDialog* dialog) {
        uitest::typeText(dialog->findChild<QLineEdit*>("titleTE"), "Never");
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    });
    QVERIFY(!saved);
    QCOMPARE(stored("SELECT COUNT(*) FROM Decks").toInt(), 4);
    QCOMPARE(int(m_profile->rootDeck()->children().size()), childrenBefore);
    QCOMPARE(m_folder->children().size(), 2);
    // The next opening starts empty again.
    runEditor(nullptr, nullptr, [](EditDeckDialog* dialog) {
        QCOMPARE(dialog->findChild<QLineEdit*>("titleTE")->text(), QString());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(stored("SELECT COUNT(*) FROM Decks").toInt(), 4);
}

QTEST_MAIN(TestEditDeckDialog)
#include "tst_editdeckdialog.moc"
