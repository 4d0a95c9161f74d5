#include "ui/deckmanagerwidget.h"

#include "audio/pinyinplayer.h"
#include "cards/carditemdelegate.h"
#include "cards/cardlistmodel.h"
#include "cards/cardpainter.h"
#include "cards/cardprinter.h"
#include "cards/cardstate.h"
#include "cards/xqlistview.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/transferoptions.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "profile/profileevents.h"
#include "style/applicationservices.h"
#include "style/deckmanageractionbar.h"
#include "style/messagebox.h"
#include "style/style.h"
#include "text/json.h"
#include "text/translationcatalogue.h"
#include "ui/deckfilecommands.h"
#include "ui/decktreewidget.h"

#include <QAction>
#include <QDrag>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>

namespace korvo {

namespace {

constexpr int TreeWidth = 300;
constexpr int ButtonGap = 5;
constexpr int ButtonMargin = 10;

ApplicationServices* services()
{
    return ApplicationServices::instance();
}

// The characters of a unit to show stroke order for, in the user's character mode.
QString strokeOrderText(KnowledgeUnit* unit, Profile* profile)
{
    const QString mode =
        profile ? profile->setting(QStringLiteral("characterMode"), QStringLiteral("simplified"))
                      .toString()
                : QStringLiteral("simplified");
    QString text = mode == QLatin1String("traditional") ? unit->traditional() : unit->simplified();
    if (text.isEmpty())
        text = mode == QLatin1String("traditional") ? unit->simplified() : unit->traditional();
    return text;
}

} // namespace

DeckManagerWidget::DeckManagerWidget(QWidget* parent) : XQWidget(parent)
{
    setObjectName(QStringLiteral("deckManagerWidget"));

    m_deckList = new DeckTreeWidget(this);
    m_deckList->setObjectName(QStringLiteral("deckList"));
    m_deckList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_deckList->installEventFilter(this);

    m_cardList = new XQListView(QStringLiteral("card"), this);
    m_cardList->setObjectName(QStringLiteral("card"));
    m_cardList->setViewMode(QListView::ListMode);
    m_cardList->setFlow(QListView::LeftToRight);
    m_cardList->setWrapping(true);
    m_cardList->setMovement(QListView::Static);
    m_cardList->setResizeMode(QListView::Adjust);
    m_cardList->setSpacing(2);
    m_cardList->setUniformItemSizes(true);
    m_cardList->setFrameShape(QFrame::NoFrame);
    m_cardList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cardList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_cardList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_cardList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_cardList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The list starts its drags itself (dragRequest) with the card's description.
    m_cardList->setDragEnabled(false);
    m_cardList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_cardList->installEventFilter(this);
    // A static list turns drops off; cards are dropped on it to reorder them.
    m_cardList->viewport()->setAcceptDrops(true);
    const QPixmap background = Style::skinPixmap(QStringLiteral("ApplicationBackground.png"));
    if (!background.isNull()) {
        QPalette palette = m_cardList->palette();
        palette.setBrush(QPalette::Base, QBrush(background));
        m_cardList->setPalette(palette);
        m_cardList->viewport()->setPalette(palette);
    }

    m_folderNotice = new QLabel(this);
    m_folderNotice->setObjectName(QStringLiteral("folderNotice"));
    Style::styleMessageLabel(m_folderNotice);
    m_folderNotice->hide();

    m_actionBar = new DeckManagerActionBar(this);

    m_deckListContextMenu = new QMenu(this);
    m_deckListContextMenu->setObjectName(QStringLiteral("deckListContextMenu"));
    for (const char* name : {"import", "export", "print", "", "delete", "", "properties"}) {
        if (!*name) {
            m_deckListContextMenu->addSeparator();
            continue;
        }
        connect(addMenuAction(m_deckListContextMenu, name), &QAction::triggered, this,
                &DeckManagerWidget::deckListContextMenu_actionTriggered);
    }
    m_cardListContextMenu = new QMenu(this);
    m_cardListContextMenu->setObjectName(QStringLiteral("cardListContextMenu"));
    for (const char* name : {"animation", "audio", "", "delete", "", "properties"}) {
        if (!*name) {
            m_cardListContextMenu->addSeparator();
            continue;
        }
        connect(addMenuAction(m_cardListContextMenu, name), &QAction::triggered, this,
                &DeckManagerWidget::cardListContextMenu_actionTriggered);
    }

    connect(m_actionBar, &ActionBar::buttonClicked, this,
            &DeckManagerWidget::actionBar_buttonClicked);
    connect(m_deckList, &QAbstractItemView::clicked, this, &DeckManagerWidget::deckList_clicked);
    connect(m_deckList, &QAbstractItemView::activated, this,
            &DeckManagerWidget::deckList_activated);
    connect(m_deckList, &QAbstractItemView::doubleClicked, this,
            &DeckManagerWidget::deckList_doubleClicked);
    connect(m_deckList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DeckManagerWidget::deckList_selectionChanged);
    connect(m_deckList, &QWidget::customContextMenuRequested, this,
            &DeckManagerWidget::deckList_customContextMenuRequested);
    connect(m_cardList, &QAbstractItemView::activated, this,
            &DeckManagerWidget::cardList_activated);
    connect(m_cardList, &QAbstractItemView::doubleClicked, this,
            &DeckManagerWidget::cardList_doubleClicked);
    connect(m_cardList, qOverload<>(&XQListView::selectionChanged), this,
            &DeckManagerWidget::cardList_selectionChanged);
    connect(m_cardList, &XQListView::dragRequest, this, &DeckManagerWidget::cardList_dragRequest);
    connect(m_cardList, &XQListView::textDropped, this, &DeckManagerWidget::cardList_textDropped);
    connect(m_cardList, &QWidget::customContextMenuRequested, this,
            &DeckManagerWidget::cardList_customContextMenuRequested);
    connect(m_cardList->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &DeckManagerWidget::prefetchVisibleUnits);

    m_updateCardListTimer.setSingleShot(true);
    m_updateCardListTimer.setInterval(50);
    connect(&m_updateCardListTimer, &QTimer::timeout, this,
            &DeckManagerWidget::timer_updateCardList);

    showDeck(nullptr);
    retranslate();
}

DeckManagerWidget::~DeckManagerWidget() = default;

QAction* DeckManagerWidget::addMenuAction(QMenu* menu, const char* name)
{
    auto* action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

Profile* DeckManagerWidget::profile() const
{
    return m_profile.data();
}

void DeckManagerWidget::setRootDeck(Deck* root)
{
    m_root = root;
    Profile* newProfile = root ? root->profile() : nullptr;
    if (newProfile != m_profile) {
        if (m_profile) {
            disconnect(m_profile, nullptr, this, nullptr);
            disconnect(m_profile->events(), nullptr, this, nullptr);
        }
        m_profile = newProfile;
        m_fileCommands.reset();
        if (m_profile) {
            connect(m_profile, &Profile::deckChanged, this,
                    &DeckManagerWidget::application_deckChanged);
            connect(m_profile->events(), &ProfileEvents::deckCardCollectionChanged, this,
                    &DeckManagerWidget::application_deckCardCollectionChanged);
            connect(m_profile->events(), &ProfileEvents::knowledgeUnitChanged, this,
                    &DeckManagerWidget::application_knowledgeUnitChanged);
        }
        QAbstractItemDelegate* oldDelegate = m_cardList->itemDelegate();
        m_cardList->setItemDelegate(new CardItemDelegate(m_profile, m_cardList));
        delete oldDelegate;
    }

    const QSet<int> expanded = m_treeBuilt ? m_deckList->expandedDeckIds() : QSet<int>();
    m_rebuilding = true;
    m_deckList->setProfile(m_profile);
    m_deckList->rebuild(root, expanded, !m_treeBuilt);
    m_rebuilding = false;
    m_treeBuilt = true;

    // A deck that is gone leaves an empty list behind, not a stale one.
    if (m_shownDeckId >= 0 && (!m_profile || !m_profile->deckById(m_shownDeckId)))
        showDeck(nullptr);
    updateButtons();
    m_updateCardListTimer.start();
}

void DeckManagerWidget::timer_updateCardList()
{
    if (m_selectedDeckId > 0 && m_deckList->selectDeck(m_selectedDeckId)) {
        showDeck(m_deckList->selectedDeck());
    } else if (m_deckList->treeModel()->rowCount() > 0) {
        m_deckList->setCurrentIndex(m_deckList->treeModel()->index(0, 0));
        showDeck(m_deckList->selectedDeck());
    } else {
        showDeck(nullptr);
    }
    updateButtons();
}

Deck* DeckManagerWidget::selectedDeck() const
{
    return m_deckList->selectedDeck();
}

DeckCard* DeckManagerWidget::selectedCard() const
{
    if (!m_cardModel || !m_cardList->selectionModel())
        return nullptr;
    const QModelIndexList selected = m_cardList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : m_cardModel->cardAt(selected.first().row());
}

void DeckManagerWidget::setDeckFileDialogs(std::unique_ptr<DeckFileDialogs> dialogs)
{
    m_fileDialogs = std::move(dialogs);
    m_fileCommands.reset();
}

DeckFileCommands* DeckManagerWidget::fileCommands()
{
    if (!m_fileCommands && m_profile) {
        std::unique_ptr<DeckFileDialogs> dialogs = std::move(m_fileDialogs);
        if (!dialogs)
            dialogs = std::make_unique<StandardDeckFileDialogs>(this);
        m_fileCommands = std::make_unique<DeckFileCommands>(m_profile, std::move(dialogs), this);
    }
    return m_fileCommands.get();
}

CardPrinter* DeckManagerWidget::cardPrinter()
{
    if (!m_printer)
        m_printer = new CardPrinter(window(), this);
    return m_printer;
}

QMimeData* DeckManagerWidget::cardDragData(DeckCard* card)
{
    auto* data = new QMimeData;
    if (card)
        data->setText(deckCardToJson(card, TransferOptions()));
    return data;
}

void DeckManagerWidget::showDeck(Deck* deck, bool reload)
{
    const int id = deck ? deck->id() : -1;
    if (id != m_shownDeckId || reload || !m_cardModel) {
        QItemSelectionModel* oldSelection = m_cardList->selectionModel();
        CardListModel* oldModel = m_cardModel;
        // A folder shows no cards of its own.
        m_cardModel = new CardListModel(m_profile, deck && !deck->isFolder() ? id : -1, m_cardList);
        m_cardList->setModel(m_cardModel);
        delete oldSelection;
        delete oldModel;
        m_shownDeckId = id;
        prefetchVisibleUnits();
    }
    m_folderNotice->setVisible(deck && deck->isFolder());
    updateCardCount();
    updateButtons();
    invalidate();
}

void DeckManagerWidget::updateCardCount()
{
    Deck* deck = m_profile && m_shownDeckId >= 0 ? m_profile->deckById(m_shownDeckId) : nullptr;
    const int count = deck && !deck->isFolder() ? deck->cardCount() : 0;
    m_actionBar->label()->setText(translate(QStringLiteral("Cards: %1")).arg(count));
    invalidate();
}

void DeckManagerWidget::updateButtons()
{
    Deck* deck = selectedDeck();
    const bool cardSelected = selectedCard() != nullptr;
    m_actionBar->button(QStringLiteral("newDeckButton"))->setEnabled(true);
    m_actionBar->button(QStringLiteral("printDeckButton"))->setEnabled(true);
    m_actionBar->button(QStringLiteral("deleteDeckButton"))->setEnabled(deck != nullptr);
    m_actionBar->button(QStringLiteral("newCardButton"))
        ->setEnabled(deck != nullptr && !deck->isFolder());
    for (const char* name :
         {"deleteCardButton", "strokeAnimationButton", "cardPropertiesButton", "listenButton"})
        m_actionBar->button(QString::fromLatin1(name))->setEnabled(cardSelected);
}

void DeckManagerWidget::retranslate()
{
    m_actionBar->retranslate();
    const QMap<QString, QString> deckTexts = {
        {QStringLiteral("import"), translate(QStringLiteral("Import..."))},
        {QStringLiteral("export"), translate(QStringLiteral("Export..."))},
        {QStringLiteral("print"), translate(QStringLiteral("Print..."))},
        {QStringLiteral("delete"), translate(QStringLiteral("Delete"))},
        {QStringLiteral("properties"), translate(QStringLiteral("Edit..."))},
    };
    for (QAction* action : m_deckListContextMenu->actions()) {
        if (!action->isSeparator())
            action->setText(deckTexts.value(action->objectName()));
    }
    const QMap<QString, QString> cardTexts = {
        {QStringLiteral("animation"), translate(QStringLiteral("View stroke order"))},
        {QStringLiteral("audio"), translate(QStringLiteral("Listen to this card"))},
        {QStringLiteral("delete"), translate(QStringLiteral("Delete"))},
        {QStringLiteral("properties"), translate(QStringLiteral("Edit..."))},
    };
    for (QAction* action : m_cardListContextMenu->actions()) {
        if (!action->isSeparator())
            action->setText(cardTexts.value(action->objectName()));
    }
    m_folderNotice->setText(translate(
        QStringLiteral("This is a deck folder. Select a deck on the left to view its content.")));
    updateCardCount();
    if (m_treeBuilt && m_root)
        setRootDeck(m_root); // built-in titles are shown in the new language
    invalidate();
}

void DeckManagerWidget::resizeEvent(QResizeEvent* event)
{
    XQWidget::resizeEvent(event);
    updateLayout();
}

void DeckManagerWidget::updateLayout()
{
    XQWidget::updateLayout();
    const int barHeight = m_actionBar->height();
    const int contentHeight = qMax(0, height() - barHeight);
    const int listX = TreeWidth;
    const int listWidth = qMax(0, width() - listX);
    m_deckList->setGeometry(0, 0, TreeWidth, contentHeight);
    m_cardList->setGeometry(listX, 0, listWidth, contentHeight);
    m_actionBar->setGeometry(0, height() - barHeight, width(), barHeight);

    const QList<ActionBarButton*> buttons = m_actionBar->buttons();
    const int buttonHeight = buttons.isEmpty() ? 0 : buttons.first()->effectiveHeight();
    const int buttonY = barHeight - buttonHeight;
    m_actionBar->layoutButtons(ButtonMargin, buttonY, ButtonGap, 1);
    m_actionBar->layoutButtons(listX + ButtonMargin, buttonY, ButtonGap, 2);

    QLabel* label = m_actionBar->label();
    label->adjustSize();
    Style* barStyle = Style::root()->section(QStringLiteral("ActionBar"));
    const int marginRight = barStyle->intValue(QStringLiteral("marginRight"), 0);
    label->move(width() - marginRight - label->width(), (barHeight - label->height()) / 2);

    const int noticeWidth = listWidth / 2;
    const int noticeHeight = m_folderNotice->heightForWidth(noticeWidth);
    m_folderNotice->setGeometry(listX + (listWidth - noticeWidth) / 2,
                                (height() - barHeight - noticeHeight) / 2, noticeWidth,
                                noticeHeight);
    m_folderNotice->raise();
    updateButtons();
}

bool DeckManagerWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_deckList || watched == m_cardList)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool newKey = key->key() == Qt::Key_N && key->modifiers() == Qt::ControlModifier;
        const bool deleteKey = key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier;
        if (newKey || deleteKey) {
            if (watched == m_deckList && newKey)
                newDeck();
            else if (watched == m_deckList)
                deleteSelectedDeck();
            else if (newKey)
                newCard();
            else
                deleteSelectedCard();
            return true;
        }
    }
    return XQWidget::eventFilter(watched, event);
}

void DeckManagerWidget::actionBar_buttonClicked(QPushButton* button)
{
    const QString name = button->objectName();
    if (name == QLatin1String("newDeckButton"))
        newDeck();
    else if (name == QLatin1String("deleteDeckButton"))
        deleteSelectedDeck();
    else if (name == QLatin1String("printDeckButton"))
        printSelectedDeck();
    else if (name == QLatin1String("newCardButton"))
        newCard();
    else if (name == QLatin1String("strokeAnimationButton"))
        showSelectedCardStrokes();
    else if (name == QLatin1String("cardPropertiesButton"))
        editSelectedCard();
    else if (name == QLatin1String("deleteCardButton"))
        deleteSelectedCard();
    else if (name == QLatin1String("listenButton"))
        playSelectedCard();
}

void DeckManagerWidget::deckList_selectionChanged()
{
    // Rebuilding the tree clears its selection for a moment; the list keeps its cards.
    if (m_rebuilding)
        return;
    Deck* deck = selectedDeck();
    m_selectedDeckId = deck ? deck->id() : -1;
    showDeck(deck);
}

void DeckManagerWidget::deckList_clicked(const QModelIndex& index)
{
    if (Deck* deck = m_deckList->deckAt(index))
        showDeck(deck);
}

void DeckManagerWidget::deckList_activated(const QModelIndex& index)
{
    if (Deck* deck = m_deckList->deckAt(index))
        showDeck(deck);
}

void DeckManagerWidget::deckList_doubleClicked(const QModelIndex& index)
{
    Deck* deck = m_deckList->deckAt(index);
    if (deck && !deck->isFolder() && services())
        services()->editDeck(deck, nullptr);
}

void DeckManagerWidget::cardList_activated(const QModelIndex& index)
{
    // Activation comes with every double click, which opens the editor: nothing more here.
}

void DeckManagerWidget::cardList_doubleClicked(const QModelIndex& index)
{
    if (m_cardModel && m_cardModel->cardAt(index.row()))
        editSelectedCard();
}

void DeckManagerWidget::cardList_selectionChanged()
{
    updateButtons();
}

void DeckManagerWidget::deckList_customContextMenuRequested(const QPoint& position)
{
    const QModelIndex index = m_deckList->indexAt(position);
    if (index.isValid())
        m_deckList->setCurrentIndex(index);
    const bool hasDeck = selectedDeck() != nullptr;
    for (QAction* action : m_deckListContextMenu->actions()) {
        if (!action->isSeparator() && action->objectName() != QLatin1String("import"))
            action->setEnabled(hasDeck);
    }
    m_deckListContextMenu->popup(m_deckList->viewport()->mapToGlobal(position));
}

void DeckManagerWidget::cardList_customContextMenuRequested(const QPoint& position)
{
    const QModelIndex index = m_cardList->indexAt(position);
    if (!index.isValid() || !m_cardModel || !m_cardModel->cardAt(index.row()))
        return;
    m_cardList->setCurrentIndex(index);
    m_cardListContextMenu->popup(m_cardList->viewport()->mapToGlobal(position));
}

void DeckManagerWidget::deckListContextMenu_actionTriggered(bool checked)
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    const QString name = action->objectName();
    if (name == QLatin1String("import"))
        importDeck();
    else if (name == QLatin1String("export"))
        exportSelectedDeck();
    else if (name == QLatin1String("print"))
        printSelectedDeck();
    else if (name == QLatin1String("delete"))
        deleteSelectedDeck();
    else if (name == QLatin1String("properties"))
        editSelectedDeck();
}

void DeckManagerWidget::cardListContextMenu_actionTriggered(bool checked)
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    const QString name = action->objectName();
    if (name == QLatin1String("animation"))
        showSelectedCardStrokes();
    else if (name == QLatin1String("audio"))
        playSelectedCard();
    else if (name == QLatin1String("delete"))
        deleteSelectedCard();
    else if (name == QLatin1String("properties"))
        editSelectedCard();
}

void DeckManagerWidget::newDeck()
{
    if (!services())
        return;
    Deck* deck = services()->editDeck(nullptr, selectedDeck());
    if (!deck)
        return;
    m_selectedDeckId = deck->id();
    m_deckList->selectDeck(deck->id());
    showDeck(deck);
}

void DeckManagerWidget::editSelectedDeck()
{
    Deck* deck = selectedDeck();
    if (deck && services())
        services()->editDeck(deck, nullptr);
}

void DeckManagerWidget::deleteSelectedDeck()
{
    Deck* deck = selectedDeck();
    if (!deck || !m_profile)
        return;
    const QString question =
        translate(
            QStringLiteral("Are you sure you want to permanently delete the deck '%1' and all its "
                           "cards?"))
            .arg(deck->displayTitle());
    const int id = deck->id();
    if (confirmation(question, translate(QStringLiteral("Confirmation")),
                     QStringLiteral("yesNo")) != MessageBoxYes)
        return;
    if (m_profile)
        m_profile->deleteDeck(id);
}

void DeckManagerWidget::importDeck()
{
    if (!m_profile)
        return;
    // The nearest folder at or above the selected deck, the root when nothing is selected.
    Deck* folder = selectedDeck();
    while (folder && !folder->isFolder())
        folder = folder->parentId() > 0 ? m_profile->deckById(folder->parentId()) : nullptr;
    if (!folder)
        folder = m_profile->rootDeck();
    if (DeckFileCommands* commands = fileCommands())
        commands->importDeck(folder);
}

void DeckManagerWidget::exportSelectedDeck()
{
    Deck* deck = selectedDeck();
    if (!deck)
        return;
    if (DeckFileCommands* commands = fileCommands())
        commands->exportDeck(deck);
}

void DeckManagerWidget::printSelectedDeck()
{
    if (Deck* deck = selectedDeck())
        cardPrinter()->printDeck(deck);
}

void DeckManagerWidget::newCard()
{
    Deck* deck = selectedDeck();
    if (deck && !deck->isFolder() && services())
        services()->editCard(nullptr, deck->id());
}

void DeckManagerWidget::editSelectedCard()
{
    DeckCard* card = selectedCard();
    if (card && services())
        services()->editCard(card, card->deckId());
}

void DeckManagerWidget::deleteSelectedCard()
{
    QPointer<DeckCard> card = selectedCard();
    if (!card)
        return;
    if (confirmation(translate(QStringLiteral("Are you sure you want to permanently delete this "
                                              "card?")),
                     translate(QStringLiteral("Confirmation")),
                     QStringLiteral("yesNo")) != MessageBoxYes)
        return;
    if (!card)
        return;
    if (Deck* deck = card->deck())
        deck->deleteCard(card->id());
}

void DeckManagerWidget::showSelectedCardStrokes()
{
    DeckCard* card = selectedCard();
    KnowledgeUnit* unit = card ? card->knowledgeUnit() : nullptr;
    if (!unit || !services())
        return;
    const QString text = strokeOrderText(unit, m_profile);
    if (!text.isEmpty())
        services()->showStrokeOrder(text);
}

void DeckManagerWidget::playSelectedCard()
{
    DeckCard* card = selectedCard();
    KnowledgeUnit* unit = card ? card->knowledgeUnit() : nullptr;
    if (!unit || !services())
        return;
    if (PinyinPlayer* player = services()->pinyinPlayer())
        player->play(unit);
}

void DeckManagerWidget::cardList_dragRequest(QMouseEvent* event)
{
    if (!m_cardModel)
        return;
    QPointer<DeckCard> card = m_cardModel->cardAt(m_cardList->currentIndex().row());
    if (!card)
        return;
    const int side =
        m_profile ? m_profile->setting(QStringLiteral("cardItemDelegate.width"), 120).toInt() : 120;
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setOpacity(0.3);
        paintCard(card, &painter, QRect(0, 0, side, side), listCardState(m_profile));
    }
    auto* drag = new QDrag(m_cardList);
    drag->setMimeData(cardDragData(card));
    drag->setPixmap(picture);
    drag->setHotSpot(event->position().toPoint());
    m_cardList->application_startDraggingObject(card);
    m_deckList->application_startDraggingObject(card);
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    m_cardList->application_stopDraggingObject(card);
    m_deckList->application_stopDraggingObject(card);
}

void DeckManagerWidget::cardList_textDropped(const QString& text, int index)
{
    if (!m_profile)
        return;
    bool ok = false;
    const QVariantMap map = readJson(text, &ok).toMap();
    if (!ok || map.value(QStringLiteral("type")).toString() != QLatin1String("Card"))
        return;
    const int cardId = map.value(QStringLiteral("id")).toInt();
    DeckCard* card = m_profile->deckCardById(cardId);
    Deck* deck = card ? card->deck() : nullptr;
    // Only the cards shown here are reordered here.
    if (!deck || deck->id() != m_shownDeckId)
        return;
    deck->moveCard(cardId, index);
    m_profile->saveDeck(deck, true, true);
    showDeck(deck, true);
    const int row = deck->indexOfCard(cardId);
    if (row >= 0)
        m_cardList->setCurrentIndex(m_cardModel->index(row));
}

void DeckManagerWidget::prefetchVisibleUnits()
{
    Deck* deck = m_profile && m_shownDeckId > 0 ? m_profile->deckById(m_shownDeckId) : nullptr;
    Dictionary* dictionary = m_profile ? m_profile->dictionary() : nullptr;
    if (!deck || deck->isFolder() || !dictionary)
        return;
    // The rows on screen follow from the scroll position, even before the list is laid out.
    const int side = m_profile->setting(QStringLiteral("cardItemDelegate.width"), 120).toInt();
    const int cell = qMax(1, side + 2 * m_cardList->spacing());
    const QSize viewport = m_cardList->viewport()->size();
    const int perRow = qMax(1, viewport.width() / cell);
    const int firstRow = m_cardList->verticalScrollBar()->value() / cell;
    const int rows = 2 * (viewport.height() / cell + 2);
    const QList<DeckCard*> cards = deck->cards();
    const int first = qMax(0, (firstRow - 1) * perRow);
    const int last = qMin(int(cards.size()), (firstRow + rows) * perRow);
    QList<int> ids;
    ids.reserve(qMax(0, last - first));
    for (int i = first; i < last; ++i)
        ids << cards.at(i)->kuId();
    if (!ids.isEmpty())
        dictionary->knowledgeUnitsByIds(ids);
}

void DeckManagerWidget::application_deckChanged(int deckId)
{
    m_deckList->refreshDeck(deckId);
    if (deckId == m_shownDeckId)
        updateCardCount();
}

void DeckManagerWidget::application_deckCardCollectionChanged(int deckId)
{
    if (deckId != m_shownDeckId || !m_profile)
        return;
    const int row = m_cardList->currentIndex().row();
    const int scroll = m_cardList->verticalScrollBar()->value();
    showDeck(m_profile->deckById(deckId), true);
    const int count = m_cardModel->rowCount();
    if (row >= 0 && count > 0)
        m_cardList->setCurrentIndex(m_cardModel->index(qMin(row, count - 1)));
    m_cardList->verticalScrollBar()->setValue(scroll);
    m_cardList->viewport()->update();
    updateButtons();
}

void DeckManagerWidget::application_knowledgeUnitChanged(int kuId)
{
    m_cardList->viewport()->update();
}

} // namespace korvo
