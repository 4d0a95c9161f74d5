#include "app/application.h"
#include "text/pinyin.h"
#include "ui/mainwindow.h"

#include <QTimer>
#include <QtTest>

// Runs against a real application object, which the test's main() creates the way
// the program entry does.
class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void knowsItsVersionAndName();
    void constructionFillsThePinyinTables();
    void showsTheMainWindowAndQuitsCleanlyWhenItCloses();
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

void TestApplication::showsTheMainWindowAndQuitsCleanlyWhenItCloses()
{
    auto* app = korvo::Application::instance();
    app->initialize();
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
    korvo::Application application(argc, argv, korvo::Folders::Layout::Test);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
