#include "guitestsupport.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "style/style.h"
#include "text/translationcatalogue.h"
#include "ui/optiondialog.h"
#include "uitestsupport.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace korvo;

// The options dialog driven by clicks, with every setting read back from Profile.db.
class TestOptionDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void generalTabShowsTheSettings();
    void savingWithoutAppearanceKeepsItsSettings();
    void defaultChineseFontIsStoredEmpty();
    void colourisationAloneNeedsNoRestart();
    void styleChangeIsStoredAndAnnouncedOnce();
    void resetRemovesTheLastOverride();
    void cancelKeepsEverything();
    void languageAndFontSavedTogether();
    void aLanguageNotOfferedIsKept();
    void colourIsChosenInTheColourDialog();
    void updateCheckHiddenWithoutAServer();

private:
    QString stored(const QString& name);
    void click(const char* objectName);
    QTreeWidgetItem* styleChild(const QString& section, const QString& property);
    void openAppearance();

    QTemporaryDir m_folder;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<OptionDialog> m_dialog;
};

void TestOptionDialog::initTestCase()
{
    Style::setSkinFolder(QStringLiteral(QUILLET_DATA_DIR "/skins/default"));
    TranslationCatalogue::instance()->setDataFolder(QStringLiteral(QUILLET_DATA_DIR));
    TranslationCatalogue::instance()->setCatalogueName("application");
    TranslationCatalogue::instance()->setFallbackLanguage("en");
    m_profile = profiletest::openProfile(m_folder.filePath("profile"),
                                         QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db"));
}

void TestOptionDialog::init()
{
    for (const auto& [name, value] :
         QList<QPair<QString, QVariant>>{{"characterMode", "simplified"},
                                         {"locale", "en"},
                                         {"autoUpdateCheck", true},
                                         {"playAudioOnRevealCard", false},
                                         {"chineseFont", "Noto Sans CJK SC"},
                                         {"pinyinColorization", "pinyin"},
                                         {"overridenStyle", ""}})
        m_profile->setSetting(name, value);
    m_profile->saveSettings();
    m_dialog = std::make_unique<OptionDialog>(m_profile.get(),
                                              QStringList{"Noto Sans CJK SC", "AR PL UKai CN"});
    m_dialog->prepareToShow();
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void TestOptionDialog::cleanup()
{
    m_dialog.reset();
}

QString TestOptionDialog::stored(const QString& name)
{
    m_profile->saveSettings();
    return profiletest::scalarOnFile(m_profile->databasePath(),
                                     QStringLiteral("SELECT settingValue FROM UserSettings "
                                                    "WHERE settingName = '%1'")
                                         .arg(name))
        .toString();
}

void TestOptionDialog::click(const char* objectName)
{
    auto* button = m_dialog->findChild<QPushButton*>(objectName);
    QVERIFY2(button && button->isVisible(), objectName);
    QTest::mouseClick(button, Qt::LeftButton);
}

QTreeWidgetItem* TestOptionDialog::styleChild(const QString& section, const QString& property)
{
    QTreeWidget* tree = m_dialog->styleTreeView();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toString() != section)
            continue;
        for (int j = 0; j < item->childCount(); ++j) {
            if (item->child(j)->data(0, Qt::UserRole + 1).toString() == property)
                return item->child(j);
        }
    }
    return nullptr;
}

void TestOptionDialog::openAppearance()
{
    QTabWidget* tabs = m_dialog->tabWidget();
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QCOMPARE(tabs->currentIndex(), 1);
}

void TestOptionDialog::generalTabShowsTheSettings()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Options"));
    auto* locales = m_dialog->findChild<QComboBox*>("localeDD");
    QStringList codes;
    for (int i = 0; i < locales->count(); ++i)
        codes << locales->itemData(i).toString();
    QCOMPARE(codes, (QStringList{"de", "en", "es", "fr", "zh_CN", "zh_TW"}));
    QCOMPARE(locales->currentData().toString(), QStringLiteral("en"));
    QCOMPARE(locales->itemText(0), TranslationCatalogue::localeDisplayName("de"));
    auto* mode = m_dialog->findChild<QComboBox*>("modeDD");
    QCOMPARE(mode->currentText(), QStringLiteral("Simplified"));
    QVERIFY(m_dialog->findChild<QCheckBox*>("updateCheckBox")->isChecked());
    QVERIFY(!m_dialog->findChild<QCheckBox*>("playAudioOnRevealCardCheckbox")->isChecked());

    // Choosing with the keyboard, then saving.
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);
    QTest::keyClick(mode, Qt::Key_Down);
    locales->setCurrentIndex(locales->findData("fr"));
    auto* audio = m_dialog->findChild<QCheckBox*>("playAudioOnRevealCardCheckbox");
    audio->setFocus();
    QTest::keyClick(audio, Qt::Key_Space);
    click("saveButton");
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(stored("characterMode"), QStringLiteral("both"));
    QCOMPARE(stored("locale"), QStringLiteral("fr"));
    QCOMPARE(stored("playAudioOnRevealCard"), QStringLiteral("true"));
    TranslationCatalogue::instance()->setLocale("en");
}

void TestOptionDialog::savingWithoutAppearanceKeepsItsSettings()
{
    m_profile->setSetting("pinyinColorization", "none");
    m_profile->setSetting("overridenStyle", "{\"ActionBarLabel\":{\"fontSize\":13}}");
    m_profile->saveSettings();
    auto* mode = m_dialog->findChild<QComboBox*>("modeDD");
    mode->setCurrentIndex(mode->findData("traditional"));
    auto box = guitest::clickInNextModal("OK");
    click("saveButton");
    QTest::qWait(50);
    QVERIFY(!box->seen);
    QCOMPARE(stored("characterMode"), QStringLiteral("traditional"));
    QCOMPARE(stored("pinyinColorization"), QStringLiteral("none"));
    QCOMPARE(stored("chineseFont"), QStringLiteral("Noto Sans CJK SC"));
    QCOMPARE(stored("overridenStyle"), QStringLiteral("{\"ActionBarLabel\":{\"fontSize\":13}}"));
}

void TestOptionDialog::defaultChineseFontIsStoredEmpty()
{
    openAppearance();
    QCOMPARE(m_dialog->findChild<QLabel*>("fontInfoLabel")->text(),
             QStringLiteral("Noto Sans CJK SC"));
    click("changeFontButton");
    auto* fonts = m_dialog->findChild<QComboBox*>("fontComboBox");
    QVERIFY(fonts->isVisible());
    QCOMPARE(fonts->itemText(0), QStringLiteral("(Default)"));
    QCOMPARE(fonts->currentText(), QStringLiteral("Noto Sans CJK SC"));
    fonts->setCurrentIndex(0);
    click("saveButton");
    QCOMPARE(stored("chineseFont"), QString());

    m_dialog->prepareToShow();
    m_dialog->show();
    openAppearance();
    QCOMPARE(m_dialog->findChild<QLabel*>("fontInfoLabel")->text(), QStringLiteral("(Default)"));
}

void TestOptionDialog::colourisationAloneNeedsNoRestart()
{
    openAppearance();
    auto* colours = m_dialog->findChild<QComboBox*>("pinyinColorComboBox");
    QCOMPARE(colours->currentText(), QStringLiteral("Colorize pinyin"));
    colours->setCurrentIndex(colours->findData("none"));
    auto box = guitest::clickInNextModal("OK");
    click("saveButton");
    QTest::qWait(50);
    QVERIFY(!box->seen);
    QCOMPARE(stored("pinyinColorization"), QStringLiteral("none"));
    QCOMPARE(stored("overridenStyle"), QString());
    QCOMPARE(stored("chineseFont"), QStringLiteral("Noto Sans CJK SC"));
}

void TestOptionDialog::styleChangeIsStoredAndAnnouncedOnce()
{
    openAppearance();
    QTreeWidgetItem* size = styleChild("ActionBarLabel", "fontSize");
    QVERIFY(size);
    QCOMPARE(size->text(1), QStringLiteral("10"));
    m_dialog->styleTreeView()->setCurrentItem(size);
    auto* pages = m_dialog->findChild<QStackedWidget*>("stylePropertyPages");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("fontSizePage"));
    auto* spin = m_dialog->findChild<QSpinBox*>("fontSizeSpinBox");
    QCOMPARE(spin->value(), 10);
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    QTest::keyClick(spin, Qt::Key_Up);
    QCOMPARE(size->text(1), QStringLiteral("12"));

    QTreeWidgetItem* weight = styleChild("NavigationButton", "fontWeight");
    m_dialog->styleTreeView()->setCurrentItem(weight);
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("fontWeightPage"));
    auto* bold = m_dialog->findChild<QCheckBox*>("fontWeightCheckbox");
    QVERIFY(bold->isChecked());
    bold->setFocus();
    QTest::keyClick(bold, Qt::Key_Space);
    QCOMPARE(weight->text(1), QStringLiteral("normal"));

    auto box = guitest::clickInNextModal("OK");
    click("saveButton");
    QVERIFY(box->seen);
    QCOMPARE(box->text,
             QStringLiteral("Quillet must be restarted for some of these changes to take effect."));
    QCOMPARE(stored("overridenStyle"),
             QStringLiteral("{\"ActionBarLabel\":{\"fontSize\":12},\"NavigationButton\":"
                            "{\"fontWeight\":\"normal\"}}"));

    // Opened again, the overrides are shown as such, and saving them unchanged says nothing.
    m_dialog->prepareToShow();
    m_dialog->show();
    openAppearance();
    QCOMPARE(styleChild("ActionBarLabel", "fontSize")->text(1), QStringLiteral("12"));
    QVERIFY(styleChild("ActionBarLabel", "fontSize")->font(1).bold());
    auto again = guitest::clickInNextModal("OK");
    click("saveButton");
    QTest::qWait(50);
    QVERIFY(!again->seen);
}

void TestOptionDialog::resetRemovesTheLastOverride()
{
    m_profile->setSetting("overridenStyle", "{\"ActionBarLabel\":{\"fontSize\":13}}");
    m_dialog->prepareToShow();
    openAppearance();
    QTreeWidgetItem* size = styleChild("ActionBarLabel", "fontSize");
    QCOMPARE(size->text(1), QStringLiteral("13"));
    m_dialog->styleTreeView()->setCurrentItem(size);
    click("resetStyleButton");
    QCOMPARE(size->text(1), QStringLiteral("10"));
    QCOMPARE(m_dialog->findChild<QSpinBox*>("fontSizeSpinBox")->value(), 10);
    auto box = guitest::clickInNextModal("OK");
    click("saveButton");
    QVERIFY(box->seen);
    QCOMPARE(stored("overridenStyle"), QStringLiteral("{}"));
}

void TestOptionDialog::cancelKeepsEverything()
{
    auto* mode = m_dialog->findChild<QComboBox*>("modeDD");
    mode->setCurrentIndex(mode->findData("both"));
    openAppearance();
    auto* colours = m_dialog->findChild<QComboBox*>("pinyinColorComboBox");
    colours->setCurrentIndex(colours->findData("none"));
    click("cancelButton");
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(stored("characterMode"), QStringLiteral("simplified"));
    QCOMPARE(stored("pinyinColorization"), QStringLiteral("pinyin"));
}

// Storing the language retranslates the dialog at once, as the application does; the font chosen
// in the same Save is stored all the same.
void TestOptionDialog::languageAndFontSavedTogether()
{
    connect(m_profile.get(), &Profile::userSettingChanged, m_dialog.get(),
            [this](const QString& name) {
                if (name != QLatin1String("locale"))
                    return;
                TranslationCatalogue::instance()->setLocale(m_profile->setting(name).toString());
                m_dialog->retranslate();
            });
    auto* locales = m_dialog->findChild<QComboBox*>("localeDD");
    locales->setCurrentIndex(locales->findData("de"));
    openAppearance();
    click("changeFontButton");
    auto* fonts = m_dialog->findChild<QComboBox*>("fontComboBox");
    fonts->setCurrentIndex(fonts->findData("AR PL UKai CN"));
    click("saveButton");
    QCOMPARE(stored("locale"), QStringLiteral("de"));
    QCOMPARE(stored("chineseFont"), QStringLiteral("AR PL UKai CN"));
    TranslationCatalogue::instance()->setLocale("en");
}

void TestOptionDialog::aLanguageNotOfferedIsKept()
{
    m_profile->setSetting("locale", "pt_BR");
    m_dialog->prepareToShow();
    m_dialog->hide();
    m_dialog->show();
    QCOMPARE(m_dialog->findChild<QComboBox*>("localeDD")->currentIndex(), -1);
    click("saveButton");
    QCOMPARE(stored("locale"), QStringLiteral("pt_BR"));
}

void TestOptionDialog::colourIsChosenInTheColourDialog()
{
    openAppearance();
    QTreeWidgetItem* colour = styleChild("ActionBarLabel", "color");
    QVERIFY(colour);
    m_dialog->styleTreeView()->setCurrentItem(colour);
    auto* pages = m_dialog->findChild<QStackedWidget*>("stylePropertyPages");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("colorPage"));
    auto* button = m_dialog->findChild<QPushButton*>("colorButton");
    QCOMPARE(button->text(), QColor(colour->text(1)).name());
    uitest::whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        QVERIFY(dialog);
        dialog->setCurrentColor(QColor("#336699"));
        dialog->accept();
    });
    click("colorButton");
    QCOMPARE(colour->text(1), QStringLiteral("#336699"));
    auto box = guitest::clickInNextModal("OK");
    click("saveButton");
    QVERIFY(stored("overridenStyle").contains("\"ActionBarLabel\":{\"color\":\"#336699\"}"));
}

void TestOptionDialog::updateCheckHiddenWithoutAServer()
{
    m_dialog->setUpdateCheckOffered(false);
    QVERIFY(!m_dialog->findChild<QCheckBox*>("updateCheckBox")->isVisible());
    m_dialog->setUpdateCheckOffered(true);
    QVERIFY(m_dialog->findChild<QCheckBox*>("updateCheckBox")->isVisible());
}

QTEST_MAIN(TestOptionDialog)
#include "tst_optiondialog.moc"
