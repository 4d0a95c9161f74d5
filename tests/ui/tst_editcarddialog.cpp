#include "cards/cardwidget.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "mounttestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"
#include "ui/editcarddialog.h"
#include "uitestsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace korvo;
using profiletest::scalarOnFile;

// The card editor opened as the application opens it (created once, set up for a card and a
// deck, run modally) and filled in with the keyboard. What it saves is read back from Profile.db.
class TestEditCardDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void fillsFormWithoutOverwritingLaterEdits();
    void autoFillSources_data();
    void autoFillSources();
    void pinyinForms_data();
    void pinyinForms();
    void refusesCardsThatCannotBeAnswered_data();
    void refusesCardsThatCannotBeAnswered();
    void aFailedSaveIsToldAndWrittenLater();
    void definitionSeparators_data();
    void definitionSeparators();
    void sharedUnitIsSplit();
    void unsharedUnitChangesInPlace_data();
    void unsharedUnitChangesInPlace();
    void autoFillKeepsPracticeRecord();
    void returnInDefinitionSaves();
    void dictionaryButtonSearches_data();
    void dictionaryButtonSearches();
    void cancelKeepsEverything();
    void newCardNeedsADeck();

private:
    // Opens the editor for the card (none: a new card) in the deck and runs `steps` on it once it
    // is shown; the steps end the dialog. Returns the dialog's result.
    int runEditor(DeckCard* card, int deckId, const std::function<void(EditCardDialog*)>& steps);
    KnowledgeUnit* makeUnit(const QString& simplified, const QString& pinyin,
                            const QString& definition, int owner = 1);
    QVariant stored(const QString& statement);
    QVariant storedUnitField(int cardId, const QString& field);
    static void replaceText(QLineEdit* edit, const QString& text);
    static void finishField(QLineEdit* edit);

    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<uitest::TestServices> m_services;
    Deck* m_deck = nullptr;
    Deck* m_other = nullptr;
    Deck* m_folder = nullptr;
};

void TestEditCardDialog::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(uitest::dataFolder() + "/Dictionary.db", "testDictionary"));
}

void TestEditCardDialog::cleanupTestCase()
{
    m_dictionary.reset();
}

void TestEditCardDialog::init()
{
    uitest::resetModalMissed();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = profiletest::openEmptyProfile(m_dir->path());
    QVERIFY(m_profile);
    m_deck = profiletest::makeStoredDeck(m_profile.get(), "Words");
    m_other = profiletest::makeStoredDeck(m_profile.get(), "Other words");
    m_folder = profiletest::makeStoredDeck(m_profile.get(), "Folder", true);
    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), m_dictionary.get());
}

void TestEditCardDialog::cleanup()
{
    m_services.reset();
    m_profile.reset();
    m_dir.reset();
    QVERIFY(!uitest::modalMissed());
}

int TestEditCardDialog::runEditor(DeckCard* card, int deckId,
                                  const std::function<void(EditCardDialog*)>& steps)
{
    uitest::whenModal([steps](QWidget* modal) {
        auto* dialog = qobject_cast<EditCardDialog*>(modal);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        steps(dialog);
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL("the steps left the editor open");
        }
    });
    return m_services->editCard(card, deckId);
}

KnowledgeUnit* TestEditCardDialog::makeUnit(const QString& simplified, const QString& pinyin,
                                            const QString& definition, int owner)
{
    auto* unit = new KnowledgeUnit;
    unit->setType(2);
    unit->setOwner(owner);
    unit->setSimplified(simplified);
    unit->setPinyin(pinyin);
    unit->setDefinition(definition);
    unit->setScore(3.5f);
    if (!m_profile->dictionary()->saveKnowledgeUnit(unit)) {
        delete unit;
        return nullptr;
    }
    return unit;
}

QVariant TestEditCardDialog::stored(const QString& statement)
{
    return scalarOnFile(m_profile->databasePath(), statement);
}

QVariant TestEditCardDialog::storedUnitField(int cardId, const QString& field)
{
    return stored(QString("SELECT k.%1 FROM Cards c JOIN KnowledgeUnits k ON k.id = c.kuId "
                          "WHERE c.id = %2")
                      .arg(field)
                      .arg(cardId));
}

void TestEditCardDialog::replaceText(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    uitest::typeText(edit, text);
}

void TestEditCardDialog::finishField(QLineEdit* edit)
{
    // Leaving the field with Tab, as a learner does.
    edit->setFocus();
    QVERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
}

void TestEditCardDialog::fillsFormWithoutOverwritingLaterEdits()
{
    QString previewText;
    runEditor(nullptr, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* simplified = dialog->findChild<QLineEdit*>("simplifiedTE");
        auto* pinyin = dialog->findChild<QLineEdit*>("pinyinTE");
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Card"));
        QVERIFY(simplified->hasFocus());
        QVERIFY(dialog->findChild<QCheckBox*>("autoFillCheckbox")->isChecked());
        QVERIFY(!dialog->findChild<QPushButton*>("dictionaryButton")->isEnabled());

        uitest::typeText(simplified, "学习");
        QVERIFY(dialog->findChild<QPushButton*>("dictionaryButton")->isEnabled());
        finishField(simplified);
        QCOMPARE(dialog->findChild<QLineEdit*>("traditionalTE")->text(), QStringLiteral("學習"));
        QCOMPARE(pinyin->text(), QStringLiteral("xue2 xi2"));
        QCOMPARE(definition->toPlainText(), QStringLiteral("to learn; to study"));
        // The preview shows what the form holds.
        QCOMPARE(dialog->preview()->object(), dialog->workingUnit());
        QCOMPARE(dialog->workingUnit()->pinyinWithToneMarks(), QStringLiteral("xué xí"));

        replaceText(pinyin, "xue2 xi5");
        definition->setFocus();
        definition->selectAll();
        uitest::typeText(definition, "my own note");
        // Finishing the characters again without changing them keeps the edits.
        finishField(simplified);
        QCOMPARE(pinyin->text(), QStringLiteral("xue2 xi5"));
        QCOMPARE(definition->toPlainText(), QStringLiteral("my own note"));
        previewText = dialog->workingUnit()->definitionText();
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    QCOMPARE(previewText, QStringLiteral("my own note"));

    QCOMPARE(
        stored(QString("SELECT COUNT(*) FROM Cards WHERE deckId = %1").arg(m_deck->id())).toInt(),
        1);
    const int cardId =
        stored(QString("SELECT id FROM Cards WHERE deckId = %1").arg(m_deck->id())).toInt();
    QCOMPARE(storedUnitField(cardId, "simplified").toString(), QStringLiteral("学习"));
    QCOMPARE(storedUnitField(cardId, "traditional").toString(), QStringLiteral("學習"));
    QCOMPARE(storedUnitField(cardId, "pinyin").toString(), QStringLiteral("xue2 xi5"));
    QCOMPARE(storedUnitField(cardId, "definition").toString(), QStringLiteral("my own note"));
    // A user-made unit with the dates of the user's units.
    QCOMPARE(storedUnitField(cardId, "owner").toInt(), 1);
    QVERIFY(!storedUnitField(cardId, "creationDate").isNull());
    QVERIFY(m_services->calls.contains("addHelpShortcut:EditCardDialog:card-properties"));
}

void TestEditCardDialog::autoFillSources_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("autoFill");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QString>("definition");
    QTest::newRow("the user's own entry first") << "simplifiedTE"
                                                << "学习" << true << "学习"
                                                << "xue2 xi2"
                                                << "my study";
    QTest::newRow("then the dictionary") << "simplifiedTE"
                                         << "中国" << true << "中国"
                                         << "zhong1 guo2"
                                         << "China";
    QTest::newRow("from the traditional form") << "traditionalTE"
                                               << "中國" << true << "中国"
                                               << "zhong1 guo2"
                                               << "China";
    QTest::newRow("unknown text keeps the form") << "simplifiedTE"
                                                 << "zzz" << true << "zzz"
                                                 << ""
                                                 << "";
    QTest::newRow("switched off") << "simplifiedTE"
                                  << "中国" << false << "中国"
                                  << ""
                                  << "";
}

void TestEditCardDialog::autoFillSources()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, autoFill);
    QFETCH(QString, simplified);
    QFETCH(QString, pinyin);
    QFETCH(QString, definition);
    QVERIFY(makeUnit("学习", "xue2 xi2", "my study"));

    runEditor(nullptr, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(field);
        if (!autoFill) {
            auto* box = dialog->findChild<QCheckBox*>("autoFillCheckbox");
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(5, box->height() / 2));
            QVERIFY(!box->isChecked());
        }
        edit->setFocus();
        uitest::typeText(edit, text);
        finishField(edit);
        QCOMPARE(dialog->findChild<QLineEdit*>("simplifiedTE")->text(), simplified);
        QCOMPARE(dialog->findChild<QLineEdit*>("pinyinTE")->text(), pinyin);
        QCOMPARE(dialog->findChild<QPlainTextEdit*>("definitionTE")->toPlainText(), definition);
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    // Nothing is written before saving.
    QCOMPARE(stored("SELECT COUNT(*) FROM Cards").toInt(), 0);
}

void TestEditCardDialog::pinyinForms_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("storedPinyin");
    QTest::addColumn<QString>("marked");
    QTest::newRow("tone numbers") << "ni3 hao3"
                                  << "ni3 hao3"
                                  << "nǐ hǎo";
    QTest::newRow("tone marks pass through") << "nǐ hǎo"
                                             << "ni3 hao3"
                                             << "nǐ hǎo";
    QTest::newRow("neutral tone") << "ma1 ma5"
                                  << "ma1 ma5"
                                  << "mā ma";
    QTest::newRow("neutral tone left out") << "ma1 ma"
                                           << "ma1 ma5"
                                           << "mā ma";
    QTest::newRow("run together") << "Ni3Hao3"
                                  << "ni3 hao3"
                                  << "nǐ hǎo";
    QTest::newRow("v for umlaut") << "lv4"
                                  << "lu:4"
                                  << "lǜ";
    QTest::newRow("no pinyin") << ""
                               << ""
                               << "";
}

// Characters are needed, and pinyin must be pinyin: otherwise Save (the button or Return in the
// definition) stores nothing and says why.
void TestEditCardDialog::refusesCardsThatCannotBeAnswered_data()
{
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QString>("problem");
    QTest::newRow("no characters") << ""
                                   << "xi3 huan1"
                                   << "Type the characters";
    QTest::newRow("characters as pinyin") << "喜欢"
                                          << "喜欢"
                                          << "is not pinyin";
    QTest::newRow("english as pinyin") << "喜欢"
                                       << "to like"
                                       << "is not pinyin";
    QTest::newRow("bad tone") << "喜欢"
                              << "xi7 huan1"
                              << "is not pinyin";
}

void TestEditCardDialog::refusesCardsThatCannotBeAnswered()
{
    QFETCH(QString, simplified);
    QFETCH(QString, pinyin);
    QFETCH(QString, problem);
    const int before = stored("SELECT COUNT(*) FROM KnowledgeUnits").toInt();
    const int result = runEditor(nullptr, m_deck->id(), [&](EditCardDialog* dialog) {
        dialog->findChild<QCheckBox*>("autoFillCheckbox")->setChecked(false);
        replaceText(dialog->findChild<QLineEdit*>("simplifiedTE"), simplified);
        replaceText(dialog->findChild<QLineEdit*>("pinyinTE"), pinyin);
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        definition->setFocus();
        QTest::keyClicks(definition, "to like");
        auto* save = dialog->findChild<QPushButton*>("saveButton");
        auto* label = dialog->findChild<QLabel*>("problemLabel");
        QVERIFY(!save->isEnabled());
        QVERIFY(label->isVisible());
        QVERIFY2(label->text().contains(problem), qPrintable(label->text()));
        QTest::mouseClick(save, Qt::LeftButton);
        QTest::keyClick(definition, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        // Mended, the same card is saved.
        replaceText(dialog->findChild<QLineEdit*>("simplifiedTE"), "喜欢");
        replaceText(dialog->findChild<QLineEdit*>("pinyinTE"), "xǐ huan");
        QVERIFY(save->isEnabled());
        QVERIFY(!label->isVisible());
        QTest::mouseClick(save, Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(stored("SELECT COUNT(*) FROM KnowledgeUnits").toInt(), before + 1);
    QCOMPARE(
        stored("SELECT k.pinyin FROM Cards c JOIN KnowledgeUnits k ON k.id = c.kuId").toString(),
        QStringLiteral("xi3 huan5"));
}

// A save that cannot reach the disk is announced and written once the disk takes it again.
void TestEditCardDialog::aFailedSaveIsToldAndWrittenLater()
{
    profiletest::LimitedFolder folder(4 * 1024 * 1024);
    if (!folder.isMounted())
        QSKIP(qPrintable("no size-limited folder: " + folder.error()));
    m_services.reset();
    m_profile.reset();
    m_profile = profiletest::openEmptyProfile(folder.path());
    QVERIFY(m_profile);
    m_deck = profiletest::makeStoredDeck(m_profile.get(), "Words");
    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), m_dictionary.get());
    QSignalSpy told(m_profile.get(), &Profile::writeFailed);
    QVERIFY(folder.makeReadOnly());

    runEditor(nullptr, m_deck->id(), [&](EditCardDialog* dialog) {
        replaceText(dialog->findChild<QLineEdit*>("simplifiedTE"), "喜欢");
        finishField(dialog->findChild<QLineEdit*>("simplifiedTE"));
        QTest::mouseClick(dialog->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    });
    QCOMPARE(told.count(), 1);
    QVERIFY(m_profile->hasPendingWrites());
    QCOMPARE(m_deck->cards().size(), 1);
    QCOMPARE(stored("SELECT COUNT(*) FROM Cards").toInt(), 0);

    QVERIFY(folder.makeWritable());
    QVERIFY(m_profile->retryPendingWrites());
    QCOMPARE(stored("SELECT COUNT(*) FROM Cards").toInt(), 1);
    QCOMPARE(stored("SELECT k.simplified FROM Cards c JOIN KnowledgeUnits k ON k.id = c.kuId")
                 .toString(),
             QStringLiteral("喜欢"));
    m_services.reset();
    m_profile.reset();
}

void TestEditCardDialog::pinyinForms()
{
    QFETCH(QString, typed);
    QFETCH(QString, storedPinyin);
    QFETCH(QString, marked);
    KnowledgeUnit* unit = makeUnit("中国", "zhong1 guo2", "China");
    DeckCard* card = m_deck->addKnowledgeUnit(unit);

    runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* pinyin = dialog->findChild<QLineEdit*>("pinyinTE");
        // Stored pinyin is shown with tone numbers.
        QCOMPARE(pinyin->text(), QStringLiteral("zhong1 guo2"));
        replaceText(pinyin, typed);
        QCOMPARE(dialog->workingUnit()->pinyinWithToneMarks(), marked);
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QCOMPARE(storedUnitField(card->id(), "pinyin").toString(), storedPinyin);
    QCOMPARE(card->knowledgeUnit()->pinyin(), storedPinyin);
    QCOMPARE(card->knowledgeUnit()->pinyinWithToneMarks(), marked);
}

void TestEditCardDialog::definitionSeparators_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("storedDefinition");
    QTest::newRow("semicolon") << "to grasp; claw"
                               << "to grasp/claw";
    QTest::newRow("spaces around") << "  one ;two;  three "
                                   << "one/two/three";
    QTest::newRow("single") << "claw"
                            << "claw";
}

void TestEditCardDialog::definitionSeparators()
{
    QFETCH(QString, typed);
    QFETCH(QString, storedDefinition);
    DeckCard* card = m_deck->addKnowledgeUnit(makeUnit("抓", "zhua1", "to grab/to catch"));
    runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        QCOMPARE(definition->toPlainText(), QStringLiteral("to grab; to catch"));
        definition->setFocus();
        definition->selectAll();
        uitest::typeText(definition, typed);
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QCOMPARE(storedUnitField(card->id(), "definition").toString(), storedDefinition);
}

void TestEditCardDialog::sharedUnitIsSplit()
{
    KnowledgeUnit* unit = makeUnit("好", "hao3", "good");
    DeckCard* edited = m_deck->addKnowledgeUnit(unit);
    DeckCard* other = m_other->addKnowledgeUnit(unit);
    const int unitId = unit->id();

    runEditor(edited, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        definition->setFocus();
        definition->selectAll();
        uitest::typeText(definition, "fine; well");
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    const int newUnitId =
        stored(QString("SELECT kuId FROM Cards WHERE id = %1").arg(edited->id())).toInt();
    QVERIFY(newUnitId != unitId);
    QCOMPARE(storedUnitField(edited->id(), "definition").toString(), QStringLiteral("fine/well"));
    QCOMPARE(storedUnitField(edited->id(), "owner").toInt(), 1);
    QVERIFY(!storedUnitField(edited->id(), "creationDate").isNull());
    QCOMPARE(stored(QString("SELECT kuId FROM Cards WHERE id = %1").arg(other->id())).toInt(),
             unitId);
    QCOMPARE(storedUnitField(other->id(), "definition").toString(), QStringLiteral("good"));
    QCOMPARE(edited->knowledgeUnit()->id(), newUnitId);
    QCOMPARE(other->knowledgeUnit()->definition(), QStringLiteral("good"));
}

void TestEditCardDialog::unsharedUnitChangesInPlace_data()
{
    QTest::addColumn<int>("owner");
    QTest::newRow("the user's own unit") << 1;
    QTest::newRow("a unit copied from the dictionary") << 0;
}

void TestEditCardDialog::unsharedUnitChangesInPlace()
{
    QFETCH(int, owner);
    KnowledgeUnit* unit = makeUnit("抓", "zhua1", "to grab", owner);
    DeckCard* card = m_deck->addKnowledgeUnit(unit);
    const int unitsBefore = stored("SELECT COUNT(*) FROM KnowledgeUnits").toInt();

    runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        definition->setFocus();
        definition->selectAll();
        uitest::typeText(definition, "to grasp; claw");
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    QCOMPARE(stored(QString("SELECT kuId FROM Cards WHERE id = %1").arg(card->id())).toInt(),
             unit->id());
    QCOMPARE(stored("SELECT COUNT(*) FROM KnowledgeUnits").toInt(), unitsBefore);
    QCOMPARE(storedUnitField(card->id(), "definition").toString(), QStringLiteral("to grasp/claw"));
    // The edit is the user's from now on; the practice record stays.
    QCOMPARE(storedUnitField(card->id(), "owner").toInt(), 1);
    QCOMPARE(storedUnitField(card->id(), "score").toDouble(), 3.5);
}

void TestEditCardDialog::autoFillKeepsPracticeRecord()
{
    KnowledgeUnit* unit = makeUnit("抓", "zhua1", "to grab");
    DeckCard* card = m_deck->addKnowledgeUnit(unit);
    runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* simplified = dialog->findChild<QLineEdit*>("simplifiedTE");
        replaceText(simplified, "中国");
        finishField(simplified);
        QCOMPARE(dialog->findChild<QLineEdit*>("pinyinTE")->text(), QStringLiteral("zhong1 guo2"));
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    // The card keeps its own unit and what the learner achieved with it.
    QCOMPARE(stored(QString("SELECT kuId FROM Cards WHERE id = %1").arg(card->id())).toInt(),
             unit->id());
    QCOMPARE(storedUnitField(card->id(), "simplified").toString(), QStringLiteral("中国"));
    QCOMPARE(storedUnitField(card->id(), "definition").toString(), QStringLiteral("China"));
    QCOMPARE(storedUnitField(card->id(), "score").toDouble(), 3.5);
}

void TestEditCardDialog::returnInDefinitionSaves()
{
    DeckCard* card = m_deck->addKnowledgeUnit(makeUnit("抓", "zhua1", "to grab"));
    bool closedByReturn = false;
    QString text;
    const int result = runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        QTest::mouseClick(definition->viewport(), Qt::LeftButton);
        QTest::keyClick(definition, Qt::Key_End, Qt::ControlModifier);
        uitest::typeText(definition, "; claw");
        QTest::keyClick(definition, Qt::Key_Return);
        closedByReturn = !dialog->isVisible();
        text = definition->toPlainText();
    });
    QVERIFY(closedByReturn);
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(!text.contains(QLatin1Char('\n')));
    QCOMPARE(storedUnitField(card->id(), "definition").toString(), QStringLiteral("to grab/claw"));
}

void TestEditCardDialog::dictionaryButtonSearches_data()
{
    QTest::addColumn<QString>("characterMode");
    QTest::addColumn<QString>("traditional");
    QTest::addColumn<QString>("searched");
    QTest::newRow("simplified mode") << "simplified"
                                     << "學習"
                                     << "学习";
    QTest::newRow("traditional mode") << "traditional"
                                      << "學習"
                                      << "學習";
    QTest::newRow("both forms") << "both"
                                << "學習"
                                << "學習";
    QTest::newRow("only the other form there") << "traditional"
                                               << ""
                                               << "学习";
}

void TestEditCardDialog::dictionaryButtonSearches()
{
    QFETCH(QString, characterMode);
    QFETCH(QString, traditional);
    QFETCH(QString, searched);
    m_profile->setSetting("characterMode", characterMode);
    KnowledgeUnit* unit = makeUnit("学习", "xue2 xi2", "to learn");
    unit->setTraditional(traditional);
    QVERIFY(m_profile->dictionary()->saveKnowledgeUnit(unit));
    DeckCard* card = m_deck->addKnowledgeUnit(unit);

    const int result = runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        auto* definition = dialog->findChild<QPlainTextEdit*>("definitionTE");
        definition->setFocus();
        uitest::typeText(definition, " (unsaved)");
        QTest::mouseClick(dialog->findChild<QPushButton*>("dictionaryButton"), Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(m_services->calls.filter("searchDictionary:"),
             QStringList{"searchDictionary:" + searched});
    // The editor closes without saving.
    QCOMPARE(storedUnitField(card->id(), "definition").toString(), QStringLiteral("to learn"));
}

void TestEditCardDialog::cancelKeepsEverything()
{
    DeckCard* card = m_deck->addKnowledgeUnit(makeUnit("抓", "zhua1", "to grab"));
    runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        replaceText(dialog->findChild<QLineEdit*>("simplifiedTE"), "爪");
        replaceText(dialog->findChild<QLineEdit*>("pinyinTE"), "zhao3");
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    QCOMPARE(storedUnitField(card->id(), "simplified").toString(), QStringLiteral("抓"));
    QCOMPARE(storedUnitField(card->id(), "pinyin").toString(), QStringLiteral("zhua1"));
    // The next opening starts from what is stored, not from the cancelled edit.
    runEditor(card, m_deck->id(), [&](EditCardDialog* dialog) {
        QCOMPARE(dialog->findChild<QLineEdit*>("simplifiedTE")->text(), QStringLiteral("抓"));
        QCOMPARE(dialog->findChild<QLineEdit*>("pinyinTE")->text(), QStringLiteral("zhua1"));
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    QCOMPARE(m_services->editCardCount, 2);
}

void TestEditCardDialog::newCardNeedsADeck()
{
    const int unitsBefore = stored("SELECT COUNT(*) FROM KnowledgeUnits").toInt();
    runEditor(nullptr, m_folder->id(), [&](EditCardDialog* dialog) {
        uitest::typeText(dialog->findChild<QLineEdit*>("simplifiedTE"), "龘");
        dialog->findChild<QPushButton*>("saveButton")->click();
    });
    // A folder holds no cards: nothing is stored, not even a unit without a card.
    QCOMPARE(stored("SELECT COUNT(*) FROM Cards").toInt(), 0);
    QCOMPARE(stored("SELECT COUNT(*) FROM KnowledgeUnits").toInt(), unitsBefore);
}

QTEST_MAIN(TestEditCardDialog)
#include "tst_editcarddialog.moc"
