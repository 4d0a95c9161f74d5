#pragma once

#include "reader/readerdocument.h"
#include "reader/textsegment.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class ResultPageView;

namespace korvo {

class BackgroundSegmenter;
class Dictionary;
class KnowledgeUnit;
class Profile;
class ReaderTextView;
struct WordLook;

// The reader screen: text pasted or opened from a file, cut into words off the interface thread
// and shown with pinyin over each word (ReaderTextView); the hovered or clicked word's entries in
// the dictionary's own result view beside it; joins and splits by hand; cards for one word or
// every unknown word of the text. The text, the place read and the edits are kept in the profile,
// so that the screen reopens where the learner left off. The main window owns it; the dictionary
// and profile are borrowed.
class ReaderWidget : public QWidget
{
    Q_OBJECT

public:
    ReaderWidget(Dictionary* dictionary, Profile* profile, QWidget* parent = nullptr);
    ~ReaderWidget() override;

    void retranslate();
    // Segments and shows the text (checked as a file's would be). A text that cannot be read is
    // told in a message and leaves the current one as it is; returns whether it was taken.
    bool setText(const QString& text);
    bool openFile(const QString& path);
    void paste();
    // Joins the selected words into one; splits the word into shorter ones.
    bool joinSelection();
    bool splitSegment(int segment);
    // Asks where the words go and makes their cards once the learner confirms.
    void addWordsToDeck(const QList<int>& unitIds);
    void addUnknownWords();
    // Shows the entries of the segment (or of the typed query) beside the text.
    void showSegment(int segment);
    void showQuery(const QString& query);

    const ReaderDocument& document() const { return m_document; }
    bool isSegmenting() const;
    ReaderTextView* textView() const { return m_view; }
    ResultPageView* resultView() const { return m_resultView; }
    QLineEdit* searchLine() const { return m_searchLine; }
    QString wordInfo() const;

signals:
    // A text has been segmented and is shown.
    void textShown();
    // Cards were made: how many, and how many words the deck already had.
    void wordsAdded(int added, int skipped);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildInterface();
    void segmenter_finished(int run, const QString& text, const std::vector<TextSegment>& segments);
    void segmenter_progress(int run, int percent);
    void resultView_linkClicked(const QUrl& url);
    void view_menuRequested(int segment, const QPoint& globalPosition);
    void startSegmenting(const QString& text, const QString& edits, qsizetype position);
    void documentEdited();
    void saveState();
    void updateButtons();
    void refreshKnownWords();
    struct Entry
    {
        QString simplified;
        QString traditional;
        QStringList syllables;
    };
    WordLook lookOf(int segment);
    const Entry* entryOf(int segment);
    QString characterMode() const;
    void applySettings();

    Dictionary* m_dictionary;
    Profile* m_profile;
    std::unique_ptr<BackgroundSegmenter> m_segmenter;
    ReaderDocument m_document;
    ReaderTextView* m_view = nullptr;
    ResultPageView* m_resultView = nullptr;
    QLineEdit* m_searchLine = nullptr;
    QPushButton* m_pasteButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_joinButton = nullptr;
    QPushButton* m_splitButton = nullptr;
    QPushButton* m_addWordButton = nullptr;
    QPushButton* m_addUnknownButton = nullptr;
    QCheckBox* m_knownPinyinBox = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_wordLabel = nullptr;
    QTimer m_progressDelay;
    int m_run = 0;
    QString m_pendingEdits;
    qsizetype m_pendingPosition = 0;
    int m_shownSegment = -1;
    QSet<QString> m_known;
    QHash<QString, int> m_hskLevels; // read on first use
    bool m_hskLevelsRead = false;
    // What is drawn of the dictionary entries of the words, by id.
    QHash<int, Entry> m_entries;
};

} // namespace korvo
