#include "app/application.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "text/pinyin.h"
#include "ui/mainwindow.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Runs against a real application object, which the test's main() creates the way the program
// entry does, with the per-user data location moved into a temporary folder.
class TestApplication : public QObject
{
    Q_OBJECT

public:
    explicit TestApplication(const QString& userDataFolder) : m_userData(userDataFolder) {}

private slots:
    void knowsItsVersionAndName();
    void constructionFillsThePinyinTables();
    void startUpCreatesAndUpgradesTheProfile();
    void startUpLoadsTheBuiltInDeckTree();
    void firstRunBacksUpTheProfileUnderTodaysDate();
    void showsTheMainWindowAndQuitsCleanlyWhenItCloses();

private:
    QString m_userData;
};

void TestApplication::knowsItsVersionAndName()
{
    QCOMPARE(korvo::Application::version(), QStringLiteral("3.4.4.4703"));
    QCOMPARE(korvo::Application::productName(), QStringLiteral("Quillet"));
}

void TestApplication::constructionFillsThePinyinTables()
{
    QCOMPARE(korvo::splitSyllables(QStringLiteral("zhongguo")),
             QStringList({QStringLiteral("zhong"), QStringLiteral("guo")}));
}

void TestApplication::startUpCreatesAndUpgradesTheProfile()
{
    auto* app = korvo::Application::instance();
    QVERIFY(!QFile::exists(m_userData + "/Quillet/Profile.db"));
    app->initialize();

    QCOMPARE(app->profileDatabase(), m_userData + "/Quillet/Profile.db");
    QVERIFY(QFile::exists(app->profileDatabase()));
    QCOMPARE(app->profile()->databaseVersion(), QStringLiteral("2.0"));
    QCOMPARE(app->profile()->setting("lastAppVersion").toString(), korvo::Application::version());
}

void TestApplication::startUpLoadsTheBuiltInDeckTree()
{
    korvo::Deck* root = korvo::Application::instance()->profile()->rootDeck();
    QVERIFY(root);
    QMap<QString, int> folderSizes;
    QStringList decks;
    for (korvo::Deck* child : root->children()) {
        if (child->isFolder())
            folderSizes.insert(child->title(), int(child->children().size()));
        else
            decks.append(child->title());
    }
    QCOMPARE(folderSizes.value("{HSK_DECKS}"), 6);
    QCOMPARE(folderSizes.value("{COMMON_CHARACTER_DECKS}"), 5);
    QVERIFY(decks.contains("{CHINESE_RADICALS}"));
}

void TestApplication::firstRunBacksUpTheProfileUnderTodaysDate()
{
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    QVERIFY(QFile::exists(m_userData + "/Quillet/Profile." + today + ".db"));
}

void TestApplication::showsTheMainWindowAndQuitsCleanlyWhenItCloses()
{
    auto* app = korvo::Application::instance();
    MainWindow* window = app->mainWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet"));

    QTimer::singleShot(50, window, &QWidget::close);
    QCOMPARE(app->exec(), 0);
    QVERIFY(!window->isVisible());
}

int main(int argc, char* argv[])
{
    QTemporaryDir userData;
    if (!userData.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    korvo::Application application(argc, argv);
    TestApplication test(userData.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
