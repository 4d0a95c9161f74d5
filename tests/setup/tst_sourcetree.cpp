// A plain clone must build, test and benchmark with nothing beside it: no build file, script,
// test or benchmark may name a path outside the source tree or the build tree.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString SourceRoot = QDir::cleanPath(QStringLiteral(QUILLET_SOURCE_DIR));
// Paths below the build folder are checked as if it sat in the source tree.
const QString BuildRoot = SourceRoot + QStringLiteral("/build");

// The folder a path written after `anchor` starts from, for a line of `file`; the file's own
// folder when the path starts with no known anchor (a relative include, say).
QString anchorFolder(const QString& anchor, const QString& file)
{
    static const QStringList sourceAnchors = {
        QStringLiteral("CMAKE_SOURCE_DIR"), QStringLiteral("PROJECT_SOURCE_DIR"),
        QStringLiteral("QUILLET_SOURCE_DIR"), QStringLiteral("root")};
    static const QStringList buildAnchors = {QStringLiteral("CMAKE_BINARY_DIR"),
                                             QStringLiteral("PROJECT_BINARY_DIR"),
                                             QStringLiteral("build")};
    if (sourceAnchors.contains(anchor))
        return SourceRoot;
    if (buildAnchors.contains(anchor))
        return BuildRoot;
    if (anchor == QLatin1String("QUILLET_DATA_DIR"))
        return BuildRoot + QStringLiteral("/data");
    return QFileInfo(file).absolutePath();
}

// The paths of a line that leave both trees, as written.
QStringList pathsOutside(const QString& line, const QString& file)
{
    QStringList found;
    if (line.contains(QLatin1String("../shared")) || line.contains(QLatin1String("/shared/data")))
        found << line.trimmed();
    // An optional anchor ("${CMAKE_SOURCE_DIR}", "$root", `QUILLET_DATA_DIR "`), then a path
    // holding at least one ".." as a whole component.
    static const QRegularExpression relative(
        QStringLiteral("(?:\\$\\{?(\\w+)\\}?|\\b(\\w+)\\s*\")?"
                       "((?:[\\w.+-]*/)*(?<![\\w.+-])\\.\\.(?![\\w.+-])(?:/[\\w.+-]*)*)"));
    for (auto it = relative.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString anchor = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        QString path = match.captured(3);
        if (path.startsWith(QLatin1Char('/')))
            path.remove(0, 1);
        const QString resolved = QDir::cleanPath(anchorFolder(anchor, file) + '/' + path);
        if (resolved != SourceRoot && !resolved.startsWith(SourceRoot + '/'))
            found << match.captured(0);
    }
    return found;
}

bool isCheckedFile(const QString& relativePath)
{
    static const QRegularExpression checked(
        QStringLiteral("(^|/)CMakeLists\\.txt$|\\.(cmake|sh|py|js|cpp|h|in|conf)$|^dev$|^\\.ci/"));
    return checked.match(relativePath).hasMatch();
}

bool isSkippedFolder(const QString& relativePath)
{
    static const QRegularExpression skipped(
        QStringLiteral("^(\\.git|build[^/]*|data/sources|docs)(/|$)|(^|/)node_modules(/|$)"
                       "|^tests/fuzz/corpus(/|$)"));
    return skipped.match(relativePath).hasMatch();
}

} // namespace

class TestSourceTree : public QObject
{
    Q_OBJECT

private slots:
    void recognisesPathsOutside_data();
    void recognisesPathsOutside();
    void nothingNamesAPathOutsideTheTrees();
};

void TestSourceTree::recognisesPathsOutside_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("outside");
    const QString cmake = SourceRoot + QStringLiteral("/CMakeLists.txt");
    const QString test = SourceRoot + QStringLiteral("/tests/dictionary/tst_x.cpp");
    QTest::newRow("shared data") << cmake << "set(D ${CMAKE_SOURCE_DIR}/../shared/data)" << true;
    QTest::newRow("above the root") << cmake << "--input ${CMAKE_SOURCE_DIR}/../x.tsv" << true;
    QTest::newRow("relative, too far") << test << "#include \"../../../other/file.h\"" << true;
    QTest::newRow("relative, inside") << test << "#include \"../../bench/queries.h\"" << false;
    QTest::newRow("beside the data folder")
        << test << "QStringLiteral(QUILLET_DATA_DIR \"/../quillet-cli\")" << false;
    QTest::newRow("script's own folder")
        << SourceRoot + QStringLiteral("/.ci/run") << "cd \"$(dirname \"$0\")/..\"" << false;
    QTest::newRow("no path") << cmake << "foreach(a b c)" << false;
    QTest::newRow("ellipsis") << cmake << "# build [FOLDER [OPTIONS...]]" << false;
}

void TestSourceTree::recognisesPathsOutside()
{
    QFETCH(QString, file);
    QFETCH(QString, line);
    QFETCH(bool, outside);
    QCOMPARE(!pathsOutside(line, file).isEmpty(), outside);
}

void TestSourceTree::nothingNamesAPathOutsideTheTrees()
{
    QStringList offences;
    int files = 0;
    QDirIterator it(SourceRoot, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir root(SourceRoot);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relativePath = root.relativeFilePath(path);
        if (isSkippedFolder(relativePath) || !isCheckedFile(relativePath) ||
            relativePath == QLatin1String("tests/setup/tst_sourcetree.cpp"))
            continue;
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        ++files;
        int number = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine());
            ++number;
            for (const QString& offence : pathsOutside(line, path))
                offences << QStringLiteral("%1:%2: %3").arg(relativePath).arg(number).arg(offence);
        }
    }
    QVERIFY2(files > 100, "the source tree was not found");
    QVERIFY2(offences.isEmpty(), qPrintable(offences.join('\n')));
}

QTEST_GUILESS_MAIN(TestSourceTree)
#include "tst_sourcetree.moc"
