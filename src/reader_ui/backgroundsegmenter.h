#pragma once

#include "reader/textsegment.h"

#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace korvo {

class WordTable;

// Segments texts on a thread of its own, so that a long text never holds up the interface. The
// thread reads the dictionary file through a connection of its own (never the interface
// thread's Dictionary), loads the whole word table once and keeps it for every later text. A
// new text supersedes one still being segmented: only the latest run reports. Owned by the
// reader screen; waits for its thread when destroyed.
class BackgroundSegmenter : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundSegmenter(const QString& databasePath, QObject* parent = nullptr);
    ~BackgroundSegmenter() override;

    // Starts loading the word table, if not done yet, so that the first text is quick.
    void preload();
    // Segments the text; finished() reports it with this run's number.
    int start(const QString& text);
    bool isRunning() const { return m_running > 0; }
    // The word table once loaded (for joins and splits on the interface thread), else none.
    std::shared_ptr<const WordTable> table() const;

signals:
    // How far the run has come, 0-100.
    void progress(int run, int percent);
    void finished(int run, const QString& text, const std::vector<korvo::TextSegment>& segments);
    // The dictionary could not be read: no text can be segmented.
    void failed(int run);

private:
    void launch(const std::function<void()>& work);
    std::shared_ptr<const WordTable> loadTable();
    void segment(int run, const QString& text);

    QString m_databasePath;
    mutable QMutex m_mutex;
    std::shared_ptr<const WordTable> m_table;
    std::atomic<int> m_latestRun{0};
    std::atomic<int> m_running{0};
    std::vector<QThread*> m_threads;
};

} // namespace korvo
