#include "profiletestsupport.h"
#include "stroketestsupport.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationdialog.h"
#include "strokes/strokeanimationview.h"
#include "strokes/strokedecompositionview.h"
#include "style/applicationservices.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using korvo::StrokeAnimationView;

namespace {

// What the application does for the stroke order: one dialog, made on first use, given the
// text and run modally. Every other service is unused here.
class StrokeOrderServices : public korvo::ApplicationServices
{
public:
    StrokeOrderServices(korvo::Profile* profile, korvo::Dictionary* dictionary,
                        korvo::StrokeAnimationDatabase* database)
        : m_profile(profile), m_dictionary(dictionary), m_database(database)
    {
    }

    korvo::Profile* profile() const override { return m_profile; }
    korvo::Dictionary* dictionary() const override { return m_dictionary; }
    korvo::PinyinPlayer* pinyinPlayer() override { return nullptr; }
    korvo::StrokeAnimationDatabase* strokeAnimationDatabase() override { return m_database; }
    void showAbout() override {}
    void showSessionDialog() override {}
    void showOptions() override {}
    int editCard(korvo::DeckCard*, int) override { return 0; }
    korvo::Deck* editDeck(korvo::Deck*, korvo::Deck*) override { return nullptr; }
    void showStrokeOrder(const QString& text) override
    {
        if (!dialog) {
            dialog = std::make_unique<StrokeAnimationDialog>(profile(), dictionary(),
                                                             strokeAnimationDatabase());
            dialog->setModal(true);
        }
        dialog->setText(text);
        dialog->exec();
    }
    void showHelp(const QString&) override {}
    void addHelpShortcut(QWidget*, const QString&) override {}
    void showScreen(const QString&) override {}
    void searchDictionary(const QString&) override {}

    std::unique_ptr<StrokeAnimationDialog> dialog;

private:
    korvo::Profile* m_profile;
    korvo::Dictionary* m_dictionary;
    korvo::StrokeAnimationDatabase* m_database;
};

QStringList itemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

void clickItem(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void clickTab(QTabWidget* tabs, int index)
{
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

QString storedSetting(const QString& databasePath, const QString& name)
{
    const QString connection = QStringLiteral("settingReader");
    QString value;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(databasePath);
        if (database.open()) {
            QSqlQuery query(database);
            query.prepare(
                QStringLiteral("SELECT settingValue FROM UserSettings WHERE settingName = ?"));
            query.addBindValue(name);
            if (query.exec() && query.next())
                value = query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return value;
}

} // namespace

// The stroke order dialog as a learner uses it: the characters of a text to pick from, their
// components, the two tabs, the message for a character without data and the remembered tab.
class TestStrokeAnimationDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void formHasItsTextsAndFixedSize();
    void listsEveryChineseCharacterWithRepeats();
    void sameCharacterAgainLoadsNothingNew();
    void componentsAreListedAndPickable();
    void singleComponentListsOnlyTheCharacter();
    void simplifiedNoteFollowsTheCharacterMode_data();
    void simplifiedNoteFollowsTheCharacterMode();
    void tabIsStoredAndRestored();
    void characterWithoutDataSaysSoAndOffersComponents();
    void messageMovesToTheDecompositionTab();
    void restartPlaysFromTheFirstStroke();
    void closingStopsTheAnimation();
    void listFontsFollowTheChineseFont();
    void textWithoutChineseEmptiesTheLists();
    void setCardListsTheCardsCharacters();
    void openerRunsTheDialogModallyAndReusesIt();

private:
    std::unique_ptr<StrokeAnimationDialog> makeDialog();
    void showDialog(StrokeAnimationDialog& dialog);

    QTemporaryDir m_dir;
    std::unique_ptr<korvo::Profile> m_profile;
    korvo::Dictionary m_dictionary;
    std::unique_ptr<korvo::StrokeAnimationDatabase> m_database;
};

void TestStrokeAnimationDialog::initTestCase()
{
    korvo::initPinyinTables();
    QVERIFY(m_dictionary.open(stroketest::dataFolder() + QStringLiteral("/Dictionary.db")));
    m_database = std::make_unique<korvo::StrokeAnimationDatabase>(stroketest::shippedAnimations());
    QVERIFY(m_database->isOpen());
    // The character without data used below, and what the dictionary says of it.
    QVERIFY(!m_database->hasAnimation(QStringLiteral("曏")));
    QCOMPARE(m_dictionary.parts(m_dictionary.character(QStringLiteral("曏"))),
             QStringLiteral("日鄉"));
}

void TestStrokeAnimationDialog::init()
{
    QVERIFY(m_dir.isValid());
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    QVERIFY(QDir().mkpath(folder));
    m_profile = profiletest::openProfile(folder, stroketest::dataFolder() +
                                                     QStringLiteral("/Profile.default.db"));
    QVERIFY(m_profile);
}

void TestStrokeAnimationDialog::cleanup()
{
    m_profile.reset();
}

std::unique_ptr<StrokeAnimationDialog> TestStrokeAnimationDialog::makeDialog()
{
    return std::make_unique<StrokeAnimationDialog>(m_profile.get(), &m_dictionary,
                                                   m_database.get());
}

void TestStrokeAnimationDialog::showDialog(StrokeAnimationDialog& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

void TestStrokeAnimationDialog::formHasItsTextsAndFixedSize()
{
    const auto dialog = makeDialog();
    showDialog(*dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Stroke order"));
    QCOMPARE(dialog->findChild<QGroupBox*>("characterListGroupBox")->title(),
             QStringLiteral("Select a character:"));
    QCOMPARE(dialog->findChild<QPushButton*>("closeButton")->text(), QStringLiteral("Close"));
    QCOMPARE(dialog->findChild<QPushButton*>("restartButton")->text(), QStringLiteral("Restart"));
    auto* tabs = dialog->findChild<QTabWidget*>("characterTabWidget");
    QCOMPARE(tabs->tabText(0), QStringLiteral("Animation"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Stroke decomposition"));
    QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("animationTab"));
    QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("decompositionTab"));
    QVERIFY(dialog->findChild<QPushButton*>("previousButton")->isHidden());
    QVERIFY(dialog->findChild<QPushButton*>("nextButton")->isHidden());
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->size(), dialog->minimumSize());
    // Nothing selected yet: nothing to restart, no message.
    QVERIFY(!dialog->findChild<QPushButton*>("restartButton")->isEnabled());
    QVERIFY(!dialog->messageLabel()->isVisible());
    QCOMPARE(dialog->messageLabel()->font().pointSize(), 11);
    QVERIFY(dialog->messageLabel()->wordWrap());
}

void TestStrokeAnimationDialog::listsEveryChineseCharacterWithRepeats()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("你好 hello 你"));
    showDialog(*dialog);
    auto* list = dialog->findChild<QListWidget*>("characterList");
    QCOMPARE(itemTexts(list),
             (QStringList{QStringLiteral("你"), QStringLiteral("好"), QStringLiteral("你")}));
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(dialog->currentAnimation());
    QCOMPARE(dialog->currentAnimation()->character(), QStringLiteral("你"));
    StrokeAnimationView* view = dialog->animationView();
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->animation(), dialog->currentAnimation());
    QCOMPARE(view->state(), StrokeAnimationView::Animating);
    QVERIFY(dialog->findChild<QPushButton*>("restartButton")->isEnabled());

    clickItem(list, 1);
    QCOMPARE(dialog->currentAnimation()->character(), QStringLiteral("好"));
    QCOMPARE(view->animation(), dialog->currentAnimation());
    QCOMPARE(itemTexts(dialog->findChild<QListWidget*>("decompositionList")).first(),
             QStringLiteral("好"));

    // A character beyond the Basic Multilingual Plane is one character, not two halves.
    dialog->setText(QStringLiteral("\U00020BB7你"));
    QCOMPARE(itemTexts(list), (QStringList{QStringLiteral("\U00020BB7"), QStringLiteral("你")}));
}

void TestStrokeAnimationDialog::sameCharacterAgainLoadsNothingNew()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("你好 hello 你"));
    showDialog(*dialog);
    auto* list = dialog->findChild<QListWidget*>("characterList");
    const auto first = dialog->currentAnimation();
    QVERIFY(first);
    StrokeAnimationView* view = dialog->animationView();
    QTRY_VERIFY(view->currentStrokeIndex() >= 1);
    const int stroke = view->currentStrokeIndex();

    clickItem(list, 2);
    QCOMPARE(list->currentRow(), 2);
    // The same animation object: not loaded again, and the animation was not started again.
    QCOMPARE(dialog->currentAnimation(), first);
    QCOMPARE(m_database->currentAnimation(), first);
    QVERIFY(view->currentStrokeIndex() >= stroke);
}

void TestStrokeAnimationDialog::componentsAreListedAndPickable()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("你"));
    showDialog(*dialog);
    auto* components = dialog->findChild<QListWidget*>("decompositionList");
    const QString parts = m_dictionary.parts(m_dictionary.character(QStringLiteral("你")));
    QVERIFY(parts.size() >= 2);
    QStringList expected{QStringLiteral("你")};
    for (const QChar part : parts)
        expected.append(QString(part));
    QCOMPARE(itemTexts(components), expected);
    QCOMPARE(components->currentRow(), 0);
    QVERIFY(components->hasFocus());

    // The second component has data of its own: picking it shows it.
    const QString component = expected.at(2);
    QVERIFY(m_database->hasAnimation(component));
    clickItem(components, 2);
    QVERIFY(dialog->currentAnimation());
    QCOMPARE(dialog->currentAnimation()->character(), component);
    QCOMPARE(dialog->animationView()->animation(), dialog->currentAnimation());
    QCOMPARE(dialog->animationView()->state(), StrokeAnimationView::Animating);
    // The character stays selected on the left, with its components.
    QCOMPARE(dialog->findChild<QListWidget*>("characterList")->currentItem()->text(),
             QStringLiteral("你"));
    QCOMPARE(itemTexts(components), expected);

    // And back to the whole character.
    clickItem(components, 0);
    QCOMPARE(dialog->currentAnimation()->character(), QStringLiteral("你"));
}

void TestStrokeAnimationDialog::singleComponentListsOnlyTheCharacter()
{
    QCOMPARE(m_dictionary.parts(m_dictionary.character(QStringLiteral("出"))).size(), 1);
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("出"));
    showDialog(*dialog);
    QCOMPARE(itemTexts(dialog->findChild<QListWidget*>("decompositionList")),
             QStringList{QStringLiteral("出")});
    QCOMPARE(dialog->currentAnimation()->character(), QStringLiteral("出"));
}

void TestStrokeAnimationDialog::simplifiedNoteFollowsTheCharacterMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("noteVisible");
    QTest::newRow("simplified") << QStringLiteral("simplified") << false;
    QTest::newRow("traditional") << QStringLiteral("traditional") << true;
    QTest::newRow("both") << QStringLiteral("both") << true;
}

void TestStrokeAnimationDialog::simplifiedNoteFollowsTheCharacterMode()
{
    QFETCH(QString, mode);
    QFETCH(bool, noteVisible);
    m_profile->setSetting(QStringLiteral("characterMode"), mode);
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("爱"));
    showDialog(*dialog);
    auto* note = dialog->findChild<QLabel*>("onlySimplifiedLabel");
    QCOMPARE(note->isVisible(), noteVisible);
    QCOMPARE(
        note->text(),
        QStringLiteral("Please note that only simplified character animations are available."));
}

void TestStrokeAnimationDialog::tabIsStoredAndRestored()
{
    auto dialog = makeDialog();
    dialog->setText(QStringLiteral("爱"));
    showDialog(*dialog);
    auto* tabs = dialog->findChild<QTabWidget*>("characterTabWidget");
    QCOMPARE(tabs->currentIndex(), 0);

    clickTab(tabs, 1);
    QCOMPARE(tabs->currentIndex(), 1);
    korvo::StrokeDecompositionView* grid = dialog->decompositionView();
    QVERIFY(grid && grid->isVisible());
    QCOMPARE(grid->animation(), dialog->currentAnimation());
    QTRY_COMPARE(grid->shownViews().size(), 10);
    QCOMPARE(m_profile->setting(QStringLiteral("strokeOrderView")).toString(),
             QStringLiteral("decomposition"));
    // Written to Profile.db by the settings' own save a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(
        storedSetting(m_profile->databasePath(), QStringLiteral("strokeOrderView")),
        QStringLiteral("decomposition"), 5000);

    // Closed and opened again: the same tab.
    QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    showDialog(*dialog);
    QCOMPARE(tabs->currentIndex(), 1);

    // A new program run: the profile read back from its file, a new dialog.
    dialog.reset();
    const QString folder = m_profile->profileFolder();
    m_profile.reset();
    m_profile = profiletest::openProfile(folder, stroketest::dataFolder() +
                                                     QStringLiteral("/Profile.default.db"));
    dialog = makeDialog();
    dialog->setText(QStringLiteral("爱"));
    showDialog(*dialog);
    QCOMPARE(dialog->findChild<QTabWidget*>("characterTabWidget")->currentIndex(), 1);
    QVERIFY(dialog->decompositionView()->isVisible());

    // Back to the animation tab.
    clickTab(dialog->findChild<QTabWidget*>("characterTabWidget"), 0);
    QCOMPARE(m_profile->setting(QStringLiteral("strokeOrderView")).toString(),
             QStringLiteral("animation"));
    QCOMPARE(dialog->animationView()->state(), StrokeAnimationView::Animating);
}

void TestStrokeAnimationDialog::characterWithoutDataSaysSoAndOffersComponents()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("曏"));
    showDialog(*dialog);
    QVERIFY(!dialog->currentAnimation());
    QLabel* message = dialog->messageLabel();
    QVERIFY(message->isVisible());
    QCOMPARE(message->parentWidget(), dialog->animationView());
    QCOMPARE(message->pos(), QPoint(30, 30));
    auto* box = dialog->findChild<QGroupBox*>("characterGroupBox");
    QCOMPARE(message->size(), QSize(box->width() - 60, box->height() / 2));
    QVERIFY(message->text().startsWith(
        QStringLiteral("This stroke animation is currently unavailable.")));
    QVERIFY(!dialog->findChild<QPushButton*>("restartButton")->isEnabled());
    QVERIFY(!dialog->animationView()->animation());

    auto* components = dialog->findChild<QListWidget*>("decompositionList");
    QCOMPARE(itemTexts(components),
             (QStringList{QStringLiteral("曏"), QStringLiteral("日"), QStringLiteral("鄉")}));
    clickItem(components, 1);
    QVERIFY(dialog->currentAnimation());
    QCOMPARE(dialog->currentAnimation()->character(), QStringLiteral("日"));
    QVERIFY(!message->isVisible());
    QVERIFY(dialog->findChild<QPushButton*>("restartButton")->isEnabled());
    QCOMPARE(dialog->animationView()->state(), StrokeAnimationView::Animating);

    // Back to the character itself: the message again.
    clickItem(components, 0);
    QVERIFY(!dialog->currentAnimation());
    QVERIFY(message->isVisible());
}

void TestStrokeAnimationDialog::messageMovesToTheDecompositionTab()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("曏"));
    showDialog(*dialog);
    clickTab(dialog->findChild<QTabWidget*>("characterTabWidget"), 1);
    QLabel* message = dialog->messageLabel();
    QVERIFY(message->isVisible());
    QCOMPARE(message->parentWidget(), dialog->decompositionView());
    QCOMPARE(message->pos(), QPoint(22, 30));
    QVERIFY(dialog->decompositionView()->shownViews().isEmpty());
}

void TestStrokeAnimationDialog::restartPlaysFromTheFirstStroke()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("你"));
    showDialog(*dialog);
    StrokeAnimationView* view = dialog->animationView();
    QTRY_VERIFY_WITH_TIMEOUT(view->currentStrokeIndex() >= 2, 5000);
    QTest::mouseClick(dialog->findChild<QPushButton*>("restartButton"), Qt::LeftButton);
    QCOMPARE(view->state(), StrokeAnimationView::Animating);
    QCOMPARE(view->currentStrokeIndex(), 0);
}

void TestStrokeAnimationDialog::closingStopsTheAnimation()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("你"));
    showDialog(*dialog);
    StrokeAnimationView* view = dialog->animationView();
    QCOMPARE(view->state(), StrokeAnimationView::Animating);
    QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    QCOMPARE(view->state(), StrokeAnimationView::Idle);
    QVERIFY(!view->findChild<QTimer*>("strokeAnimationTimer")->isActive());
    // Opened again on the same character, it plays again.
    showDialog(*dialog);
    QCOMPARE(view->state(), StrokeAnimationView::Animating);
    QCOMPARE(view->currentStrokeIndex(), 0);
}

void TestStrokeAnimationDialog::listFontsFollowTheChineseFont()
{
    m_profile->setSetting(QStringLiteral("chineseFont"), QStringLiteral("AR PL UKai CN"));
    const auto dialog = makeDialog();
    for (const char* name : {"characterList", "decompositionList"}) {
        auto* list = dialog->findChild<QListWidget*>(name);
        QCOMPARE(list->font().family(), QStringLiteral("AR PL UKai CN"));
        QCOMPARE(list->font().pixelSize(),
                 list->height() - list->horizontalScrollBar()->sizeHint().height());
    }
    m_profile->setSetting(QStringLiteral("chineseFont"), QStringLiteral("Noto Serif CJK SC"));
    for (const char* name : {"characterList", "decompositionList"})
        QCOMPARE(dialog->findChild<QListWidget*>(name)->font().family(),
                 QStringLiteral("Noto Serif CJK SC"));
}

void TestStrokeAnimationDialog::textWithoutChineseEmptiesTheLists()
{
    const auto dialog = makeDialog();
    dialog->setText(QStringLiteral("曏"));
    showDialog(*dialog);
    QVERIFY(dialog->messageLabel()->isVisible());
    dialog->setText(QStringLiteral("hello"));
    QCOMPARE(dialog->findChild<QListWidget*>("characterList")->count(), 0);
    QCOMPARE(dialog->findChild<QListWidget*>("decompositionList")->count(), 0);
    QVERIFY(!dialog->currentAnimation());
    // No character is selected, so there is nothing to be sorry about.
    QVERIFY(!dialog->messageLabel()->isVisible());
    QVERIFY(!dialog->findChild<QPushButton*>("restartButton")->isEnabled());
}

void TestStrokeAnimationDialog::setCardListsTheCardsCharacters()
{
    korvo::KnowledgeUnit* unit = m_dictionary.findKnowledgeUnit(0, QStringLiteral("爱好"));
    QVERIFY(unit);
    korvo::DeckCard* card = m_profile->newDeckCard(-1);
    card->setKnowledgeUnit(unit);
    const auto dialog = makeDialog();
    dialog->setCard(card);
    QCOMPARE(itemTexts(dialog->findChild<QListWidget*>("characterList")),
             (QStringList{QStringLiteral("爱"), QStringLiteral("好")}));
    QCOMPARE(dialog->currentAnimation()->character(), QStringLiteral("爱"));
}

void TestStrokeAnimationDialog::openerRunsTheDialogModallyAndReusesIt()
{
    StrokeOrderServices services(m_profile.get(), &m_dictionary, m_database.get());
    korvo::ApplicationServices::setInstance(&services);
    QStringList seen;
    bool animating = false;
    // Answers the modal dialog: notes what it lists, then closes it with its button.
    const auto answer = [&] {
        QTimer::singleShot(0, [&] {
            // No modal widget after the wait is caught below (nothing is seen).
            (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; },
                                  5000);
            auto* dialog = qobject_cast<StrokeAnimationDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                if (QWidget* other = QApplication::activeModalWidget())
                    other->close();
                return;
            }
            seen.append(itemTexts(dialog->findChild<QListWidget*>("characterList")).join(""));
            animating = dialog->animationView()->state() == StrokeAnimationView::Animating;
            QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
        });
    };
    answer();
    korvo::ApplicationServices::instance()->showStrokeOrder(QStringLiteral("爱你"));
    QVERIFY(animating);
    StrokeAnimationDialog* first = services.dialog.get();
    QVERIFY(first);
    answer();
    korvo::ApplicationServices::instance()->showStrokeOrder(QStringLiteral("好"));
    QCOMPARE(services.dialog.get(), first);
    QCOMPARE(seen, (QStringList{QStringLiteral("爱你"), QStringLiteral("好")}));
    korvo::ApplicationServices::setInstance(nullptr);
}

QTEST_MAIN(TestStrokeAnimationDialog)
#include "tst_strokeanimationdialog.moc"
