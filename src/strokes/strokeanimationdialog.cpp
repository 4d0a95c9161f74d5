#include "strokes/strokeanimationdialog.h"

#include "dictionary/characterinfo.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationview.h"
#include "strokes/strokedecompositionview.h"
#include "text/pinyin.h"
#include "text/texthelpers.h"
#include "text/translationcatalogue.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

using korvo::translate;

namespace {

// The side of the animation picture: the dialog is made around it.
constexpr int AnimationSide = 380;
constexpr int ListHeight = 64;
constexpr int ListColumnWidth = 200;

QListWidget* makeCharacterList(const QString& name, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setFlow(QListView::LeftToRight);
    list->setWrapping(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setFixedHeight(ListHeight);
    return list;
}

// A character of one of the lists: a square cell of the list's height less its scroll bar, the
// character in its middle, so that a glyph of another font's metrics is not cut off when the
// scroll bar appears.
void addCharacterItem(QListWidget* list, const QString& character)
{
    auto* item = new QListWidgetItem(character, list);
    item->setTextAlignment(Qt::AlignCenter);
    const int side =
        list->height() - 2 * list->frameWidth() - list->horizontalScrollBar()->sizeHint().height();
    item->setSizeHint(QSize(side, side));
}

} // namespace

StrokeAnimationDialog::StrokeAnimationDialog(korvo::Profile* profile, korvo::Dictionary* dictionary,
                                             korvo::StrokeAnimationDatabase* database,
                                             QWidget* parent)
    : QDialog(parent), m_profile(profile), m_dictionary(dictionary), m_database(database)
{
    setObjectName(QStringLiteral("StrokeAnimationDialog"));
    buildForm();
    m_previousButton->hide();
    m_nextButton->hide();

    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    QFont font = m_messageLabel->font();
    font.setPointSize(11);
    m_messageLabel->setFont(font);
    m_messageLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->hide();

    adjustSize();
    setFixedSize(size());

    connect(m_characterList, &QListWidget::itemClicked, this,
            &StrokeAnimationDialog::characterList_itemClicked);
    connect(m_characterList, &QListWidget::itemSelectionChanged, this,
            &StrokeAnimationDialog::characterList_itemSelectionChanged);
    connect(m_decompositionList, &QListWidget::itemSelectionChanged, this,
            &StrokeAnimationDialog::decompositionList_itemSelectionChanged);
    connect(m_characterTabWidget, &QTabWidget::currentChanged, this,
            &StrokeAnimationDialog::characterTabWidget_currentChanged);
    connect(m_restartButton, &QPushButton::clicked, this,
            &StrokeAnimationDialog::restartButton_clicked);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);
    if (m_profile) {
        connect(m_profile, &korvo::Profile::userSettingChanged, this,
                &StrokeAnimationDialog::profile_userSettingChanged);
    }
    retranslate();
    setListFonts();
    updateView();
}

StrokeAnimationDialog::~StrokeAnimationDialog() = default;

void StrokeAnimationDialog::buildForm()
{
    m_characterListGroupBox = new QGroupBox(this);
    m_characterListGroupBox->setObjectName(QStringLiteral("characterListGroupBox"));
    m_characterListGroupBox->setFixedWidth(ListColumnWidth);
    m_onlySimplifiedLabel = new QLabel(m_characterListGroupBox);
    m_onlySimplifiedLabel->setObjectName(QStringLiteral("onlySimplifiedLabel"));
    m_onlySimplifiedLabel->setWordWrap(true);
    m_characterList = makeCharacterList(QStringLiteral("characterList"), m_characterListGroupBox);
    m_decompositionList =
        makeCharacterList(QStringLiteral("decompositionList"), m_characterListGroupBox);
    auto* listLayout = new QVBoxLayout(m_characterListGroupBox);
    listLayout->addWidget(m_characterList);
    listLayout->addWidget(m_decompositionList);
    listLayout->addWidget(m_onlySimplifiedLabel);
    listLayout->addStretch(1);

    m_characterTabWidget = new QTabWidget(this);
    m_characterTabWidget->setObjectName(QStringLiteral("characterTabWidget"));

    m_animationTab = new QWidget;
    m_animationTab->setObjectName(QStringLiteral("animationTab"));
    m_characterGroupBox = new QGroupBox(m_animationTab);
    m_characterGroupBox->setObjectName(QStringLiteral("characterGroupBox"));
    m_characterLayout = new QVBoxLayout(m_characterGroupBox);
    m_characterLayout->setObjectName(QStringLiteral("characterLayout"));
    // Room for the square picture whichever of the two tabs is made first.
    m_characterGroupBox->setMinimumSize(AnimationSide + 24, AnimationSide + 24);
    m_restartButton = new QPushButton(m_animationTab);
    m_restartButton->setObjectName(QStringLiteral("restartButton"));
    auto* animationTabLayout = new QVBoxLayout(m_animationTab);
    animationTabLayout->addWidget(m_characterGroupBox, 1);
    animationTabLayout->addWidget(m_restartButton, 0, Qt::AlignHCenter);

    m_decompositionTab = new QWidget;
    m_decompositionTab->setObjectName(QStringLiteral("decompositionTab"));
    m_decompositionGroupBox = new QGroupBox(m_decompositionTab);
    m_decompositionGroupBox->setObjectName(QStringLiteral("decompositionGroupBox"));
    m_decompositionLayout = new QVBoxLayout(m_decompositionGroupBox);
    m_decompositionLayout->setObjectName(QStringLiteral("decompositionLayout"));
    auto* decompositionTabLayout = new QVBoxLayout(m_decompositionTab);
    decompositionTabLayout->addWidget(m_decompositionGroupBox, 1);

    m_characterTabWidget->addTab(m_animationTab, QString());
    m_characterTabWidget->addTab(m_decompositionTab, QString());

    m_previousButton = new QPushButton(this);
    m_previousButton->setObjectName(QStringLiteral("previousButton"));
    m_nextButton = new QPushButton(this);
    m_nextButton->setObjectName(QStringLiteral("nextButton"));
    m_closeButton = new QPushButton(this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));

    auto* body = new QHBoxLayout;
    body->addWidget(m_characterListGroupBox);
    body->addWidget(m_characterTabWidget, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_previousButton);
    buttons->addWidget(m_nextButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
}

void StrokeAnimationDialog::retranslate()
{
    setWindowTitle(translate(QStringLiteral("Stroke order")));
    m_characterListGroupBox->setTitle(translate(QStringLiteral("Select a character:")));
    m_closeButton->setText(translate(QStringLiteral("Close")));
    m_characterTabWidget->setTabText(0, translate(QStringLiteral("Animation")));
    m_characterTabWidget->setTabText(1, translate(QStringLiteral("Stroke decomposition")));
    m_restartButton->setText(translate(QStringLiteral("Restart")));
    m_onlySimplifiedLabel->setText(translate(
        QStringLiteral("Please note that only simplified character animations are available.")));
    m_messageLabel->setText(
        translate(QStringLiteral("This stroke animation is currently unavailable. To view the "
                                 "stroke order of the various parts of this character, click on "
                                 "one of its components.")));
}

void StrokeAnimationDialog::setListFonts()
{
    const QString family =
        m_profile ? m_profile->setting(QStringLiteral("chineseFont")).toString() : QString();
    for (QListWidget* list : {m_characterList, m_decompositionList}) {
        QFont font = list->font();
        if (!family.isEmpty())
            font.setFamily(family);
        font.setPixelSize(
            std::max(1, list->height() - list->horizontalScrollBar()->sizeHint().height()));
        list->setFont(font);
    }
}

void StrokeAnimationDialog::profile_userSettingChanged(const QString& name)
{
    if (name == QLatin1String("chineseFont"))
        setListFonts();
}

void StrokeAnimationDialog::setText(const QString& text)
{
    m_characterList->clear();
    for (const QString& character : korvo::splitCharacters(text)) {
        if (korvo::containsChineseCharacter(character))
            addCharacterItem(m_characterList, character);
    }
    if (m_characterList->count() > 0) {
        m_characterList->setCurrentRow(0);
    } else {
        // Nothing to show: no stale components either.
        m_decompositionList->clear();
        characterList_itemSelectionChanged();
    }
}

void StrokeAnimationDialog::setCard(korvo::DeckCard* card)
{
    korvo::KnowledgeUnit* unit = card ? card->knowledgeUnit() : nullptr;
    setText(unit ? unit->simplified() : QString());
}

QString StrokeAnimationDialog::currentCharacter() const
{
    const QList<QListWidgetItem*> selected = m_characterList->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void StrokeAnimationDialog::characterList_itemClicked(QListWidgetItem* item)
{
    Q_UNUSED(item);
    characterList_itemSelectionChanged();
}

void StrokeAnimationDialog::detachViews()
{
    if (m_animationView)
        m_animationView->setAnimation(nullptr);
    if (m_decompositionView)
        m_decompositionView->setAnimation(nullptr);
}

void StrokeAnimationDialog::characterList_itemSelectionChanged()
{
    const QString s = currentCharacter();
    if (m_currentAnimation && m_currentAnimation->character() == s)
        return;
    if (s.isEmpty()) {
        m_currentAnimation.reset();
        m_loadedText.clear();
        updateView();
        return;
    }
    // The views share the animations, so detaching them is not needed for safety; it stops
    // them before the next character comes.
    detachViews();
    m_currentAnimation = m_database ? m_database->loadAnimation(s) : nullptr;
    m_loadedText = s;

    {
        const QSignalBlocker blocker(m_decompositionList);
        m_decompositionList->clear();
        addCharacterItem(m_decompositionList, s);
        if (m_dictionary) {
            const QString parts = m_dictionary->parts(m_dictionary->character(s));
            const QStringList components = korvo::splitCharacters(parts);
            if (components.size() >= 2) {
                for (const QString& part : components)
                    addCharacterItem(m_decompositionList, part);
            }
        }
    }
    updateView();
    m_decompositionList->setCurrentRow(0);
    m_decompositionList->setFocus();
}

void StrokeAnimationDialog::decompositionList_itemSelectionChanged()
{
    const QList<QListWidgetItem*> selected = m_decompositionList->selectedItems();
    const QString s = selected.isEmpty() ? QString() : selected.first()->text();
    if (s.isEmpty() || s == m_loadedText)
        return;
    if (m_currentAnimation && m_currentAnimation->character() == s)
        return;
    detachViews();
    m_currentAnimation = m_database ? m_database->loadAnimation(s) : nullptr;
    m_loadedText = s;
    updateView();
}

void StrokeAnimationDialog::characterTabWidget_currentChanged(int index)
{
    updateView();
    if (m_profile) {
        m_profile->setSetting(QStringLiteral("strokeOrderView"),
                              index == 1 ? QStringLiteral("decomposition")
                                         : QStringLiteral("animation"));
    }
}

void StrokeAnimationDialog::restartButton_clicked()
{
    if (m_animationView)
        m_animationView->restart();
}

void StrokeAnimationDialog::updateView()
{
    QWidget* visibleView = nullptr;
    QPoint messagePosition;
    if (m_characterTabWidget->currentIndex() == 1) {
        if (!m_decompositionView) {
            m_decompositionView = new korvo::StrokeDecompositionView(m_decompositionGroupBox);
            m_decompositionView->setObjectName(QStringLiteral("decompositionView"));
            m_decompositionLayout->addWidget(m_decompositionView, 1);
            m_decompositionView->show();
            // Its real size now, so that the first grid is not made for a default size.
            layout()->activate();
        }
        m_decompositionView->setAnimation(m_currentAnimation);
        visibleView = m_decompositionView;
        messagePosition = QPoint(22, 30);
    } else {
        if (!m_animationView) {
            m_animationView = new korvo::StrokeAnimationView(m_characterGroupBox);
            m_animationView->setObjectName(QStringLiteral("animationView"));
            m_animationView->setFixedSize(AnimationSide, AnimationSide);
            m_characterLayout->addWidget(m_animationView, 1, Qt::AlignCenter);
            m_animationView->show();
            layout()->activate();
        }
        m_animationView->setAnimation(m_currentAnimation);
        if (m_currentAnimation)
            m_animationView->restart();
        visibleView = m_animationView;
        messagePosition = QPoint(30, 30);
    }

    if (!m_currentAnimation && !currentCharacter().isEmpty()) {
        if (m_messageLabel->parentWidget() != visibleView)
            m_messageLabel->setParent(visibleView);
        m_messageLabel->resize(m_characterGroupBox->width() - 60,
                               m_characterGroupBox->height() / 2);
        m_messageLabel->move(messagePosition);
        m_messageLabel->show();
        m_messageLabel->raise();
    } else {
        m_messageLabel->hide();
    }
    m_restartButton->setEnabled(m_currentAnimation != nullptr);
}

void StrokeAnimationDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const int tab = m_profile && m_profile->setting(QStringLiteral("strokeOrderView")).toString() !=
                                     QLatin1String("animation")
                        ? 1
                        : 0;
    if (m_characterTabWidget->currentIndex() != tab)
        m_characterTabWidget->setCurrentIndex(tab);
    else
        // Shown again on the same character: play it again instead of showing where it was
        // stopped when the dialog was closed.
        updateView();
    const QString mode = m_profile ? m_profile->setting(QStringLiteral("characterMode")).toString()
                                   : QStringLiteral("simplified");
    m_onlySimplifiedLabel->setVisible(mode != QLatin1String("simplified"));
}

void StrokeAnimationDialog::hideEvent(QHideEvent* event)
{
    if (m_animationView)
        m_animationView->stop();
    QDialog::hideEvent(event);
}
