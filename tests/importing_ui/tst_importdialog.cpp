#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "guitestsupport.h"
#include "importing/importfilereader.h"
#include "importing_ui/importdialog.h"
#include "importing_ui/importpreviewwidget.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "style/messagebox.h"
#include "text/pinyin.h"
#include "ui/mainwindow.h"
#include "uitestsupport.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../importing/importfixtures.h"

#include <memory>

using namespace korvo;

namespace {

// Clicks the import dialog's button of that name.
std::function<void(QWidget*)> clickDialogButton(const QString& objectName)
{
    return [objectName](QWidget* modal) {
        if (auto* button = modal->findChild<QPushButton*>(objectName))
            QTest::mouseClick(button, Qt::LeftButton);
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    };
}

} // namespace

// The import preview driven like a learner drives it, and every format end to end through the
// main window's "Import cards...", with Profile.db read back.
class TestImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuImportsEveryFormat_data();
    void menuImportsEveryFormat();
    void badFilesAreToldAndStoreNothing_data();
    void badFilesAreToldAndStoreNothing();
    void previewShowsTheFirstCardsAsTheyWillLook();
    void changedMappingIsWhatGetsStored();
    void eachNoteTypeHasItsOwnMapping();
    void chosenFolderReceivesTheDecks();
    void cancelStoresNothing();

private:
    int count(const QString& statement);
    QComboBox* combo(ImportDialog& dialog, const QString& name);

    Dictionary m_dictionary;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<uitest::TestServices> m_services;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<MainWindow> m_window;
};

void TestImportDialog::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    QVERIFY(m_dictionary.open(QStringLiteral(QUILLET_DATA_DIR "/Dictionary.db")));
}

void TestImportDialog::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_profile = profiletest::openProfile(m_folder->path(),
                                         QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db"));
    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), &m_dictionary);
    ApplicationServices::setInstance(m_services.get());
    m_session = std::make_unique<Session>(m_profile.get());
    m_window = std::make_unique<MainWindow>(m_profile.get(), &m_dictionary, m_session.get());
    m_window->setPrepareDictionaryEarly(false);
    m_window->resize(1024, 768);
    m_window->show();
    setMainWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestImportDialog::cleanup()
{
    setMainWindow(nullptr);
    m_window.reset();
    m_session.reset();
    ApplicationServices::setInstance(nullptr);
    m_services.reset();
    m_profile.reset();
    m_folder.reset();
}

int TestImportDialog::count(const QString& statement)
{
    return profiletest::scalarOnFile(m_profile->databasePath(), statement).toInt();
}

QComboBox* TestImportDialog::combo(ImportDialog& dialog, const QString& name)
{
    return dialog.findChild<QComboBox*>(name);
}

void TestImportDialog::menuImportsEveryFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("cards");
    QTest::newRow("anki package") << "vocabulary.apkg"
                                  << "Lesson 1" << 6;
    QTest::newRow("anki collection, newer layout") << "newer.colpkg"
                                                   << "HSK 2" << 2;
    QTest::newRow("pleco") << "pleco.txt"
                           << "Lesson 2" << 2;
    QTest::newRow("csv") << "words.csv"
                         << "words" << 3;
    QTest::newRow("tsv") << "words-utf16be.tsv"
                         << "words-utf16be" << 2;
}

void TestImportDialog::menuImportsEveryFormat()
{
    QFETCH(QString, name);
    QFETCH(QString, deck);
    QFETCH(int, cards);
    auto answers = guitest::answerModalsInTurn({guitest::chooseFile(importfixtures::path(name)),
                                                clickDialogButton("importButton"),
                                                guitest::clickButton("OK")});
    m_window->runMenuCommand("import");
    QCOMPARE(answers->seen.size(), 3);
    QCOMPARE(answers->seen.at(1).title, QStringLiteral("Import cards"));
    QVERIFY2(answers->seen.at(2).text.startsWith(QStringLiteral("Cards imported: ")),
             qPrintable(answers->seen.at(2).text));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Cards c JOIN Decks d ON d.id = c.deckId "
                                  "WHERE d.title = '%1'")
                       .arg(deck)),
             cards);
}

void TestImportDialog::badFilesAreToldAndStoreNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("zip bomb") << "bomb.apkg"
                              << "zip bombs";
    QTest::newRow("damaged") << "damaged.apkg"
                             << "damaged";
    QTest::newRow("short line") << "short-line.csv"
                                << "line 2";
}

void TestImportDialog::badFilesAreToldAndStoreNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const int decks = count("SELECT COUNT(*) FROM Decks");
    auto answers = guitest::answerModalsInTurn(
        {guitest::chooseFile(importfixtures::path(name)), guitest::clickButton("OK")});
    m_window->runMenuCommand("import");
    QCOMPARE(answers->seen.size(), 2);
    QCOMPARE(answers->seen.at(1).title, QStringLiteral("Error"));
    QVERIFY(answers->seen.at(1).text.contains(QFileInfo(importfixtures::path(name)).fileName()));
    QVERIFY2(answers->seen.at(1).text.contains(reason), qPrintable(answers->seen.at(1).text));
    QCOMPARE(count("SELECT COUNT(*) FROM Decks"), decks);
}

void TestImportDialog::previewShowsTheFirstCardsAsTheyWillLook()
{
    const ImportedFile file = ImportFileReader::read(importfixtures::path("vocabulary.apkg"));
    ImportDialog dialog(m_profile.get(), &m_dictionary, &file, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ImportPreviewWidget* preview = dialog.preview();
    QCOMPARE(preview->unitCount(), 7);
    // Linked cards show the dictionary's entry, the unknown one the file's own fields.
    QCOMPARE(preview->unit(0)->pinyin(), QStringLiteral("ni3 hao3"));
    QCOMPARE(preview->unit(0)->traditional(), QStringLiteral("你好"));
    QCOMPARE(preview->unit(2)->pinyin(), QStringLiteral("lu:4"));
    QCOMPARE(preview->unit(4)->simplified(), QStringLiteral("我的猫"));
    QCOMPARE(preview->unit(4)->definition(), QStringLiteral("my cat"));
    QCOMPARE(combo(dialog, "roleCombo0")->currentText(), QStringLiteral("Characters"));
    QCOMPARE(combo(dialog, "roleCombo1")->currentText(), QStringLiteral("Pinyin"));
    QCOMPARE(combo(dialog, "roleCombo2")->currentText(), QStringLiteral("Definition"));
    QVERIFY(!combo(dialog, "noteTypeCombo")->isVisible());

    // Twenty cards at most.
    QTemporaryDir folder;
    QFile many(folder.filePath("many.csv"));
    QVERIFY(many.open(QIODevice::WriteOnly));
    for (int i = 0; i < 30; ++i)
        many.write(QStringLiteral("字%1,zi4,word\n").arg(i).toUtf8());
    many.close();
    const ImportedFile manyFile = ImportFileReader::read(many.fileName());
    ImportDialog manyDialog(m_profile.get(), &m_dictionary, &manyFile, nullptr);
    QCOMPARE(manyDialog.preview()->unitCount(), ImportDialog::PreviewCards);
}

void TestImportDialog::changedMappingIsWhatGetsStored()
{
    const ImportedFile file = ImportFileReader::read(importfixtures::path("vocabulary.apkg"));
    ImportDialog dialog(m_profile.get(), &m_dictionary, &file, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The meaning field becomes the characters: the characters field loses its role.
    QComboBox* meaning = combo(dialog, "roleCombo2");
    meaning->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(meaning, Qt::Key_Up);
    QCOMPARE(meaning->currentText(), QStringLiteral("Characters"));
    QCOMPARE(combo(dialog, "roleCombo0")->currentText(), QStringLiteral("Not imported"));
    QCOMPARE(dialog.preview()->unit(0)->simplified(), QStringLiteral("hello"));
    // Back again, and the pinyin left out.
    QTest::keyClick(meaning, Qt::Key_Down);
    QTest::keyClick(meaning, Qt::Key_Down);
    QTest::keyClick(meaning, Qt::Key_Down);
    QComboBox* characters = combo(dialog, "roleCombo0");
    characters->setFocus();
    QTest::keyClick(characters, Qt::Key_Down);
    QComboBox* pinyin = combo(dialog, "roleCombo1");
    pinyin->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(pinyin, Qt::Key_Up);
    QCOMPARE(pinyin->currentText(), QStringLiteral("Not imported"));
    QCOMPARE(dialog.mappings().first().roles(),
             (QList<FieldRole>{FieldRole::Simplified, FieldRole::Ignored, FieldRole::Definition}));
    QTest::mouseClick(dialog.findChild<QPushButton*>("importButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // Without its pinyin, 我的猫 is stored as typed; 你好 still links, to its commonest entry.
    QCOMPARE(profiletest::scalarOnFile(m_profile->databasePath(),
                                       "SELECT pinyin || '|' || definition FROM KnowledgeUnits "
                                       "WHERE simplified = '我的猫'")
                 .toString(),
             QStringLiteral("|my cat"));
    QCOMPARE(count("SELECT COUNT(*) FROM Cards c JOIN Decks d ON d.id = c.deckId WHERE d.title = "
                   "'Lesson 1'"),
             6);
}

void TestImportDialog::eachNoteTypeHasItsOwnMapping()
{
    const ImportedFile file = ImportFileReader::read(importfixtures::path("newer.colpkg"));
    ImportDialog dialog(m_profile.get(), &m_dictionary, &file, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QComboBox* types = combo(dialog, "noteTypeCombo");
    QVERIFY(types->isVisible());
    QCOMPARE(types->count(), 2);
    QCOMPARE(dialog.findChildren<QComboBox*>(QRegularExpression("^roleCombo")).size(), 4);
    QCOMPARE(combo(dialog, "roleCombo1")->currentText(), QStringLiteral("Traditional characters"));
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(types->currentText(), QStringLiteral("Basic"));
    QCOMPARE(dialog.findChildren<QComboBox*>(QRegularExpression("^roleCombo")).size(), 2);
    QCOMPARE(combo(dialog, "roleCombo0")->currentText(), QStringLiteral("Characters"));
    QCOMPARE(combo(dialog, "roleCombo1")->currentText(), QStringLiteral("Definition"));
    // Leaving the Basic type's back out changes that type's mapping only.
    QComboBox* back = combo(dialog, "roleCombo1");
    back->setFocus();
    QTest::keyClick(back, Qt::Key_Home);
    QCOMPARE(dialog.mappings().at(1).roles(),
             (QList<FieldRole>{FieldRole::Simplified, FieldRole::Ignored}));
    QCOMPARE(dialog.mappings().at(0).field(FieldRole::Definition), 3);
}

void TestImportDialog::chosenFolderReceivesTheDecks()
{
    Deck* target = profiletest::makeStoredDeck(m_profile.get(), "My imports", true);
    const ImportedFile file = ImportFileReader::read(importfixtures::path("pleco.txt"));
    ImportDialog dialog(m_profile.get(), &m_dictionary, &file, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QComboBox* folders = combo(dialog, "folderCombo");
    QCOMPARE(folders->currentText(), QStringLiteral("Top level"));
    folders->setFocus();
    QTest::keyClick(folders, Qt::Key_End);
    QCOMPARE(folders->currentText().trimmed(), QStringLiteral("My imports"));
    QTest::mouseClick(dialog.findChild<QPushButton*>("importButton"), Qt::LeftButton);
    QCOMPARE(
        count(QStringLiteral("SELECT COUNT(*) FROM Decks WHERE parentId = %1").arg(target->id())),
        3);
}

void TestImportDialog::cancelStoresNothing()
{
    const int cards = count("SELECT COUNT(*) FROM Cards");
    auto answers =
        guitest::answerModalsInTurn({guitest::chooseFile(importfixtures::path("vocabulary.apkg")),
                                     clickDialogButton("cancelButton")});
    m_window->runMenuCommand("import");
    QCOMPARE(answers->seen.size(), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM Cards"), cards);
    QCOMPARE(count("SELECT COUNT(*) FROM Decks WHERE title = 'Lesson 1'"), 0);
}

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
