#include "reader_ui/readerwidget.h"

#include "audio/pinyinplayer.h"
#include "dictionary/characterinfo.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/pagetemplates.h"
#include "dictionary_ui/resultpage.h"
#include "dictionary_ui/resultpageview.h"
#include "handwriting_ui/handwritingpad.h"
#include "profile/profile.h"
#include "reader/readerprofile.h"
#include "reader/readertextfile.h"
#include "reader/wordsegmenter.h"
#include "reader/wordtable.h"
#include "reader_ui/addwordsdialog.h"
#include "reader_ui/backgroundsegmenter.h"
#include "reader_ui/readertextview.h"
#include "strokes/strokeanimationdatabase.h"
#include "style/applicationservices.h"
#include "style/messagebox.h"
#include "text/translationcatalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace korvo {

namespace {

// Segments whose entries are read in one go when one of them is first drawn.
constexpr int EntryBatch = 400;
// Segmentation that takes longer than this (ms) shows its progress.
constexpr int ProgressDelay = 250;

bool hasStrokeAnimation(const QString& character)
{
    ApplicationServices* services = ApplicationServices::instance();
    StrokeAnimationDatabase* animations = services ? services->strokeAnimationDatabase() : nullptr;
    return animations && animations->hasAnimation(character);
}

} // namespace

ReaderWidget::ReaderWidget(Dictionary* dictionary, Profile* profile, QWidget* parent)
    : QWidget(parent), m_dictionary(dictionary), m_profile(profile),
      m_segmenter(std::make_unique<BackgroundSegmenter>(
          dictionary ? dictionary->database().databaseName() : QString()))
{
    setObjectName(QStringLiteral("readerWidget"));
    buildInterface();
    connect(m_segmenter.get(), &BackgroundSegmenter::finished, this,
            &ReaderWidget::segmenter_finished);
    connect(m_segmenter.get(), &BackgroundSegmenter::progress, this,
            &ReaderWidget::segmenter_progress);
    connect(m_segmenter.get(), &BackgroundSegmenter::failed, this, [this](int run) {
        if (run != m_run)
            return;
        m_progressDelay.stop();
        m_progress->hide();
        m_statusLabel->setText(translate("The dictionary cannot be read."));
    });
    m_progressDelay.setSingleShot(true);
    m_progressDelay.setInterval(ProgressDelay);
    connect(&m_progressDelay, &QTimer::timeout, this, [this] {
        if (isSegmenting())
            m_progress->show();
    });
    if (m_profile) {
        connect(m_profile, &Profile::userSettingChanged, this, [this](const QString& name) {
            if (name == QLatin1String("characterMode") ||
                name == QLatin1String("pinyinColorization") ||
                name == QLatin1String("chineseFont") ||
                name == QLatin1String("reader.knownWordsPinyin"))
                applySettings();
        });
        const ReaderProfile::SavedText saved = ReaderProfile::load(*m_profile);
        if (!saved.text.isEmpty())
            startSegmenting(saved.text, saved.edits, saved.position);
    }
    if (ApplicationServices* services = ApplicationServices::instance())
        services->addHelpShortcut(this, QStringLiteral("reader"));
    applySettings();
    retranslate();
    updateButtons();
}

ReaderWidget::~ReaderWidget()
{
    saveState();
}

void ReaderWidget::buildInterface()
{
    const auto button = [this](const char* name) {
        auto* made = new QPushButton(this);
        made->setObjectName(QLatin1String(name));
        made->setFocusPolicy(Qt::TabFocus);
        return made;
    };
    m_pasteButton = button("readerPasteButton");
    m_openButton = button("readerOpenButton");
    m_joinButton = button("readerJoinButton");
    m_splitButton = button("readerSplitButton");
    m_addWordButton = button("readerAddWordButton");
    m_addUnknownButton = button("readerAddUnknownButton");
    m_searchLine = new QLineEdit(this);
    m_searchLine->setObjectName(QStringLiteral("readerSearchLine"));
    HandwritingPad::attach(m_searchLine);
    m_knownPinyinBox = new QCheckBox(this);
    m_knownPinyinBox->setObjectName(QStringLiteral("readerKnownPinyinBox"));
    m_knownPinyinBox->setFocusPolicy(Qt::TabFocus);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("readerProgress"));
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(160);
    m_progress->hide();
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("readerStatus"));
    m_wordLabel = new QLabel(this);
    m_wordLabel->setObjectName(QStringLiteral("readerWordInfo"));

    m_view = new ReaderTextView(this);
    m_resultView = new ResultPageView(m_dictionary, m_profile, this);
    m_resultView->setObjectName(QStringLiteral("readerResultView"));
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_view);
    splitter->addWidget(m_resultView);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    // The web view has no size of its own to ask for: the panel starts at nearly half.
    m_resultView->setMinimumWidth(260);
    splitter->setSizes({520, 480});

    auto* bar = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_pasteButton, m_openButton, m_joinButton, m_splitButton,
                                         m_addWordButton, m_addUnknownButton})
        bar->addWidget(widget);
    bar->addWidget(m_searchLine, 1);
    auto* status = new QHBoxLayout;
    status->addWidget(m_statusLabel, 1);
    status->addWidget(m_wordLabel);
    status->addWidget(m_knownPinyinBox);
    status->addWidget(m_progress);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);
    layout->addLayout(status);

    connect(m_pasteButton, &QPushButton::clicked, this, &ReaderWidget::paste);
    connect(m_openButton, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, translate("Open a text"), QString(),
                                         translate("Texts (*.txt *.html *.htm);;All files (*)"));
        if (!path.isEmpty())
            openFile(path);
    });
    connect(m_joinButton, &QPushButton::clicked, this, &ReaderWidget::joinSelection);
    connect(m_splitButton, &QPushButton::clicked, this,
            [this] { splitSegment(m_view->selectionFirst()); });
    connect(m_addWordButton, &QPushButton::clicked, this, [this] {
        const int segment = m_view->selectionFirst();
        if (segment >= 0 && m_document.segment(segment).unitId)
            addWordsToDeck({m_document.segment(segment).unitId});
    });
    connect(m_addUnknownButton, &QPushButton::clicked, this, &ReaderWidget::addUnknownWords);
    connect(m_knownPinyinBox, &QCheckBox::toggled, this, [this](bool shown) {
        if (m_profile)
            m_profile->setSetting(QStringLiteral("reader.knownWordsPinyin"), shown);
        m_view->setKnownPinyinShown(shown);
    });
    connect(m_searchLine, &QLineEdit::returnPressed, this,
            [this] { showQuery(m_searchLine->text()); });
    connect(m_view, &ReaderTextView::segmentHovered, this, &ReaderWidget::showSegment);
    connect(m_view, &ReaderTextView::segmentClicked, this, [this](int segment) {
        showSegment(segment);
        updateButtons();
    });
    connect(m_view, &ReaderTextView::selectionChanged, this, &ReaderWidget::updateButtons);
    connect(m_view, &ReaderTextView::segmentMenuRequested, this, &ReaderWidget::view_menuRequested);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &ReaderWidget::saveState);
    connect(m_resultView, &ResultPageView::linkClicked, this,
            &ReaderWidget::resultView_linkClicked);
    // Anywhere on the screen but in the search line (which pastes into itself).
    auto* pasteKey = new QShortcut(QKeySequence::Paste, this);
    pasteKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(pasteKey, &QShortcut::activated, this, &ReaderWidget::paste);
}

void ReaderWidget::retranslate()
{
    m_pasteButton->setText(translate("Paste"));
    m_openButton->setText(translate("Open..."));
    m_joinButton->setText(translate("Join"));
    m_splitButton->setText(translate("Split"));
    m_addWordButton->setText(translate("Add to deck..."));
    m_addUnknownButton->setText(translate("Add unknown words..."));
    m_searchLine->setPlaceholderText(translate("Look up a word"));
    m_knownPinyinBox->setText(translate("Pinyin over known words"));
    if (m_document.isEmpty() && !isSegmenting())
        m_statusLabel->setText(translate("Paste a Chinese text (Ctrl+V) or open a file."));
}

void ReaderWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The word table is read while the learner looks at the screen, not when the text comes.
    m_segmenter->preload();
    m_resultView->load();
}

QString ReaderWidget::characterMode() const
{
    return m_profile ? m_profile->setting(QStringLiteral("characterMode")).toString()
                     : QStringLiteral("simplified");
}

void ReaderWidget::applySettings()
{
    QFont characters = font();
    const QString family =
        m_profile ? m_profile->setting(QStringLiteral("chineseFont")).toString() : QString();
    if (!family.isEmpty())
        characters.setFamily(family);
    characters.setPointSizeF(font().pointSizeF() * 1.8);
    m_view->setFonts(characters, font());
    // The panel's page takes its style sheet and scripts, and the Chinese font, from these.
    setTemplateGlobal(QStringLiteral("baseUrl"),
                      QUrl::fromLocalFile(dictionaryPageFolder() + QLatin1Char('/')).toString());
    setTemplateGlobal(QStringLiteral("chineseFont"), cssFontFamily(family));
    if (!m_profile)
        return;
    m_view->setToneColours(m_profile->setting(QStringLiteral("pinyinColorization")).toString() ==
                           QLatin1String("pinyin"));
    const bool knownPinyin =
        m_profile->setting(QStringLiteral("reader.knownWordsPinyin"), false).toBool();
    const QSignalBlocker blocker(m_knownPinyinBox);
    m_knownPinyinBox->setChecked(knownPinyin);
    m_view->setKnownPinyinShown(knownPinyin);
}

bool ReaderWidget::isSegmenting() const
{
    return m_segmenter->isRunning() && m_run > 0;
}

bool ReaderWidget::setText(const QString& text)
{
    const ReaderTextFile::Result result = ReaderTextFile::fromText(text);
    if (!result.isRead()) {
        warning(translate("The text cannot be read: %1.").arg(result.problem));
        return false;
    }
    startSegmenting(result.text, QString(), 0);
    return true;
}

bool ReaderWidget::openFile(const QString& path)
{
    const ReaderTextFile::Result result = ReaderTextFile::read(path);
    if (!result.isRead()) {
        warning(translate("The file %1 cannot be opened: %2.").arg(path, result.problem));
        return false;
    }
    startSegmenting(result.text, QString(), 0);
    return true;
}

void ReaderWidget::paste()
{
    const QString text = QApplication::clipboard()->text();
    setText(text);
}

void ReaderWidget::startSegmenting(const QString& text, const QString& edits, qsizetype position)
{
    m_pendingEdits = edits;
    m_pendingPosition = position;
    m_run = m_segmenter->start(text);
    m_progress->setValue(0);
    m_progressDelay.start();
    m_statusLabel->setText(translate("Reading the text..."));
    updateButtons();
}

void ReaderWidget::segmenter_progress(int run, int percent)
{
    if (run == m_run)
        m_progress->setValue(percent);
}

void ReaderWidget::segmenter_finished(int run, const QString& text,
                                      const std::vector<TextSegment>& segments)
{
    if (run != m_run)
        return;
    m_progressDelay.stop();
    m_progress->hide();
    m_document.setText(text, segments);
    if (!m_pendingEdits.isEmpty()) {
        if (std::shared_ptr<const WordTable> table = m_segmenter->table())
            m_document.applyEdits(m_pendingEdits, WordSegmenter(table));
    }
    refreshKnownWords();
    m_shownSegment = -1;
    m_view->setDocument(&m_document, [this](int segment) { return lookOf(segment); });
    m_view->scrollToSegment(m_document.segmentAt(m_pendingPosition));
    m_statusLabel->setText(
        translatePlural("%1 character", "%1 characters", text.size()).arg(text.size()));
    saveState();
    updateButtons();
    emit textShown();
}

void ReaderWidget::refreshKnownWords()
{
    m_known = m_profile ? ReaderProfile::knownWords(m_profile->database()) : QSet<QString>();
}

const ReaderWidget::Entry* ReaderWidget::entryOf(int segment)
{
    const int unitId = m_document.segment(segment).unitId;
    if (!unitId || !m_dictionary)
        return nullptr;
    auto found = m_entries.constFind(unitId);
    if (found != m_entries.cend())
        return &*found;
    // The entries of the words around it, in one read.
    QList<int> ids;
    for (int i = segment; i < std::min(m_document.segmentCount(), segment + EntryBatch); ++i) {
        const int id = m_document.segment(i).unitId;
        if (id && !m_entries.contains(id))
            ids << id;
    }
    for (KnowledgeUnit* unit : m_dictionary->knowledgeUnitsByIds(ids)) {
        m_entries.insert(unit->id(), {unit->simplified(), unit->traditional(),
                                      unit->pinyin().split(QLatin1Char(' '), Qt::SkipEmptyParts)});
    }
    // An entry the dictionary no longer has is drawn without pinyin, and not looked for again.
    if (!m_entries.contains(unitId))
        m_entries.insert(unitId, {});
    return &*m_entries.constFind(unitId);
}

WordLook ReaderWidget::lookOf(int segment)
{
    WordLook look;
    look.characters = m_document.segmentText(segment);
    look.known = m_known.contains(look.characters);
    if (const Entry* entry = entryOf(segment)) {
        const QString mode = characterMode();
        if (mode == QLatin1String("simplified") && !entry->simplified.isEmpty())
            look.characters = entry->simplified;
        else if (mode == QLatin1String("traditional") && !entry->traditional.isEmpty())
            look.characters = entry->traditional;
        look.syllables = entry->syllables;
    }
    return look;
}

QString ReaderWidget::wordInfo() const
{
    return m_wordLabel->text();
}

void ReaderWidget::showSegment(int segment)
{
    if (segment < 0 || segment >= m_document.segmentCount() || segment == m_shownSegment ||
        !m_document.segment(segment).isChinese())
        return;
    m_shownSegment = segment;
    const QString word = m_document.segmentText(segment);
    // The HSK level of each character of the word, where it has one.
    QStringList levels;
    for (const QChar c : word) {
        CharacterInfo* info = m_dictionary ? m_dictionary->character(c) : nullptr;
        if (info && info->hskLevel > 0)
            levels << QStringLiteral("%1 %2").arg(c).arg(info->hskLevel);
    }
    if (!m_hskLevelsRead && m_profile) {
        m_hskLevels = ReaderProfile::hskLevels(m_profile->database());
        m_hskLevelsRead = true;
    }
    // The word's own level where the HSK decks have it, else its characters'.
    if (const int level = m_hskLevels.value(word))
        levels = QStringList{QString::number(level)};
    m_wordLabel->setText(
        levels.isEmpty() ? word
                         : translate("%1 · HSK %2").arg(word, levels.join(QStringLiteral(", "))));
    showQuery(word);
}

void ReaderWidget::showQuery(const QString& query)
{
    const QString q = query.simplified();
    if (q.isEmpty() || !m_dictionary)
        return;
    ResultPageOptions options;
    options.pageFolder = dictionaryPageFolder();
    options.characterMode = characterMode();
    if (m_profile)
        options.pinyinColorization =
            m_profile->setting(QStringLiteral("pinyinColorization")).toString();
    options.hasStrokeAnimation = hasStrokeAnimation;
    const DictionarySearchResult found =
        runSearch(m_dictionary, q, Dictionary::AutoDetect, options.characterMode);
    m_resultView->showContent(resultContent(m_dictionary, options, q, found, 0, 20));
}

void ReaderWidget::resultView_linkClicked(const QUrl& url)
{
    const QUrlQuery items(url);
    const QString action = items.queryItemValue(QStringLiteral("action"), QUrl::FullyDecoded);
    ApplicationServices* services = ApplicationServices::instance();
    if (action == QLatin1String("search")) {
        const QString query = items.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded);
        m_searchLine->setText(query);
        showQuery(query);
    } else if (action == QLatin1String("viewStrokeOrder") && services) {
        services->showStrokeOrder(
            items.queryItemValue(QStringLiteral("characters"), QUrl::FullyDecoded));
    } else if (action == QLatin1String("listen") && services) {
        if (PinyinPlayer* player = services->pinyinPlayer())
            player->play(items.queryItemValue(QStringLiteral("pinyin"), QUrl::FullyDecoded));
    }
}

void ReaderWidget::view_menuRequested(int segment, const QPoint& globalPosition)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("readerWordMenu"));
    const int first = m_view->selectionFirst();
    const int last = m_view->selectionLast();
    QAction* join = menu.addAction(translate("Join"));
    join->setObjectName(QStringLiteral("readerJoinAction"));
    join->setEnabled(segment >= first && segment <= last && m_document.canJoin(first, last));
    QAction* split = menu.addAction(translate("Split"));
    split->setObjectName(QStringLiteral("readerSplitAction"));
    split->setEnabled(m_document.canSplit(segment));
    QAction* add = menu.addAction(translate("Add to deck..."));
    add->setObjectName(QStringLiteral("readerAddAction"));
    add->setEnabled(m_document.segment(segment).unitId != 0);
    QAction* chosen = menu.exec(globalPosition);
    if (chosen == join)
        joinSelection();
    else if (chosen == split)
        splitSegment(segment);
    else if (chosen == add)
        addWordsToDeck({m_document.segment(segment).unitId});
}

bool ReaderWidget::joinSelection()
{
    const std::shared_ptr<const WordTable> table = m_segmenter->table();
    const int first = m_view->selectionFirst();
    if (!table || isSegmenting() || !m_document.join(first, m_view->selectionLast(), *table))
        return false;
    m_view->setSelection(first, first);
    documentEdited();
    return true;
}

bool ReaderWidget::splitSegment(int segment)
{
    const std::shared_ptr<const WordTable> table = m_segmenter->table();
    if (!table || isSegmenting() || !m_document.split(segment, WordSegmenter(table)))
        return false;
    m_view->setSelection(segment, segment);
    documentEdited();
    return true;
}

void ReaderWidget::documentEdited()
{
    m_shownSegment = -1;
    m_view->documentChanged();
    saveState();
    updateButtons();
}

void ReaderWidget::addUnknownWords()
{
    addWordsToDeck(m_document.unknownWordUnits(
        [this](const QString& word) { return m_known.contains(word); }));
}

void ReaderWidget::addWordsToDeck(const QList<int>& unitIds)
{
    if (!m_dictionary || !m_profile)
        return;
    if (unitIds.isEmpty()) {
        information(translate("Every word of the text is already known."));
        return;
    }
    AddWordsDialog dialog(m_dictionary->knowledgeUnitsByIds(unitIds), m_dictionary, m_profile,
                          this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int added = dialog.store();
    if (added < 0) {
        warning(translate("The deck cannot be made."));
        return;
    }
    refreshKnownWords();
    m_view->viewport()->update();
    m_statusLabel->setText(translatePlural("%1 card made", "%1 cards made", added).arg(added));
    emit wordsAdded(added, dialog.skippedCount());
}

void ReaderWidget::saveState()
{
    if (!m_profile || m_document.isEmpty() || isSegmenting())
        return;
    const int top = m_view->topSegment();
    ReaderProfile::save(*m_profile,
                        {m_document.text(),
                         top < m_document.segmentCount() ? m_document.segment(top).start : 0,
                         m_document.editsText()});
}

void ReaderWidget::updateButtons()
{
    const bool ready = !m_document.isEmpty() && !isSegmenting();
    const int first = m_view->selectionFirst();
    const int last = m_view->selectionLast();
    m_joinButton->setEnabled(ready && m_document.canJoin(first, last));
    m_splitButton->setEnabled(ready && first == last && m_document.canSplit(first));
    m_addWordButton->setEnabled(ready && first >= 0 && first < m_document.segmentCount() &&
                                m_document.segment(first).unitId != 0);
    m_addUnknownButton->setEnabled(ready);
}

} // namespace korvo
