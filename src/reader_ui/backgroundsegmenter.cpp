#include "reader_ui/backgroundsegmenter.h"

#include "reader/wordsegmenter.h"
#include "reader/wordtable.h"
#include "reader/wordtableloader.h"

#include <QSqlDatabase>
#include <QThread>

namespace korvo {

namespace {

// Characters segmented between two looks at whether a newer text came, and two reports of
// progress.
constexpr qsizetype ChunkLength = 20000;

} // namespace

BackgroundSegmenter::BackgroundSegmenter(const QString& databasePath, QObject* parent)
    : QObject(parent), m_databasePath(databasePath)
{
    qRegisterMetaType<std::vector<korvo::TextSegment>>();
}

BackgroundSegmenter::~BackgroundSegmenter()
{
    m_latestRun = -1;
    for (QThread* thread : m_threads) {
        thread->wait();
        delete thread;
    }
}

std::shared_ptr<const WordTable> BackgroundSegmenter::table() const
{
    const QMutexLocker lock(&m_mutex);
    return m_table;
}

std::shared_ptr<const WordTable> BackgroundSegmenter::loadTable()
{
    // One thread loads at a time; the others then find the table made.
    static QMutex loading;
    const QMutexLocker lock(&loading);
    if (std::shared_ptr<const WordTable> loaded = table())
        return loaded;
    std::shared_ptr<const WordTable> made;
    const QString name =
        QStringLiteral("reader-segmenter-%1").arg(quintptr(QThread::currentThread()));
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(m_databasePath);
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (database.open())
            made = WordTableLoader::loadAll(database);
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (made && made->wordCount() > 0) {
        const QMutexLocker tableLock(&m_mutex);
        m_table = made;
    }
    return table();
}

void BackgroundSegmenter::preload()
{
    // Loads the table without starting a run, so that a text already being segmented (the one
    // the screen reopens with) is not superseded.
    if (!table() && m_running == 0)
        launch([this] { loadTable(); });
}

int BackgroundSegmenter::start(const QString& text)
{
    const int run = ++m_latestRun;
    ++m_running;
    launch([this, run, text] { segment(run, text); });
    return run;
}

void BackgroundSegmenter::launch(const std::function<void()>& work)
{
    QThread* thread = QThread::create(work);
    // Finished threads are let go as new ones start.
    for (auto it = m_threads.begin(); it != m_threads.end();) {
        if ((*it)->isFinished()) {
            delete *it;
            it = m_threads.erase(it);
        } else {
            ++it;
        }
    }
    m_threads.push_back(thread);
    thread->start();
}

void BackgroundSegmenter::segment(int run, const QString& text)
{
    const std::shared_ptr<const WordTable> words = loadTable();
    const auto report = [this](auto call) {
        QMetaObject::invokeMethod(this, call, Qt::QueuedConnection);
    };
    if (!words) {
        --m_running;
        report([this, run] { emit failed(run); });
        return;
    }
    const WordSegmenter segmenter(words);
    std::vector<TextSegment> segments;
    segments.reserve(size_t(text.size() / 2 + 1));
    for (qsizetype from = 0; from < text.size();) {
        if (m_latestRun != run) {
            --m_running;
            return;
        }
        const qsizetype to =
            WordSegmenter::safeBreakAfter(text, std::min(text.size(), from + ChunkLength));
        segmenter.segment(text, from, to, segments);
        from = to;
        const int percent = int(from * 100 / text.size());
        report([this, run, percent] { emit progress(run, percent); });
    }
    --m_running;
    if (m_latestRun != run)
        return;
    report(
        [this, run, text, segments = std::move(segments)] { emit finished(run, text, segments); });
}

} // namespace korvo
