#include "practice/sessiondialog.h"

#include "cards/carditemdelegate.h"
#include "cards/cardstate.h"
#include "cards/decklistmodel.h"
#include "practice/session.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "style/applicationservices.h"
#include "text/translationcatalogue.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

using korvo::CardState;
using korvo::Deck;
using korvo::Profile;
using korvo::Session;
using korvo::SessionType;
using korvo::translate;

namespace {

// Lays `layout` out in `parent` with the usual spacing and the given object name.
template <typename Layout> Layout* namedLayout(QWidget* parent, const char* name)
{
    auto* layout = new Layout(parent);
    layout->setObjectName(QLatin1String(name));
    return layout;
}

template <typename Widget> Widget* namedWidget(QWidget* parent, const char* name)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

SessionDialog::SessionDialog(Profile* profile, Session* session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint),
      m_profile(profile), m_session(session)
{
    setObjectName(QStringLiteral("SessionDialog"));
    resize(665, 544);
    buildForm();

    m_deckListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_practiceAllRB->setChecked(true);
    m_srCheckbox->setChecked(true);

    connect(m_startButton, &QPushButton::clicked, this, &SessionDialog::startButton_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &SessionDialog::cancelButton_clicked);
    connect(m_practiceAllRB, &QRadioButton::toggled, this,
            &SessionDialog::practiceAllCheckbox_toggled);
    connect(m_practiceOnlyRB, &QRadioButton::toggled, this, &SessionDialog::practiceOnlyRB_toggled);
    connect(m_srCheckbox, &QCheckBox::stateChanged, this, &SessionDialog::srCheckbox_stateChanged);
    connect(m_practiceOnlyTE, &QLineEdit::editingFinished, this,
            &SessionDialog::practiceOnlyTE_editingFinished);
    for (QRadioButton* button : {m_typeMcqRB, m_typeWriteRB, m_typeFreeRB})
        connect(button, &QRadioButton::toggled, this,
                &SessionDialog::sessionType_radioButtonToggled);
    for (QRadioButton* button :
         {m_quizOnSimplifiedRB, m_quizOnTraditionalRB, m_quizOnPinyinRB, m_quizOnDefinitionRB})
        connect(button, &QRadioButton::toggled, this,
                &SessionDialog::mcqGroupBox_radioButtonToggled);

    if (korvo::ApplicationServices* services = korvo::ApplicationServices::instance())
        services->addHelpShortcut(this, QStringLiteral("session"));

    // Sets the texts and counts the (still empty) selection: 0, and "Start" disabled.
    retranslate();
}

// The deck list on the left, the option groups on the right, the count and the buttons below.
void SessionDialog::buildForm()
{
    auto* verticalLayout = namedLayout<QVBoxLayout>(this, "verticalLayout");

    auto* widget = namedWidget<QWidget>(this, "widget");
    auto* horizontalLayout_2 = namedLayout<QHBoxLayout>(widget, "horizontalLayout_2");
    horizontalLayout_2->setContentsMargins(0, 0, 0, 0);

    m_decksGroupBox = namedWidget<QGroupBox>(widget, "decksGroupBox");
    m_decksGroupBox->setMinimumHeight(100);
    auto* verticalLayout_5 = namedLayout<QVBoxLayout>(m_decksGroupBox, "verticalLayout_5");
    m_deckListView = namedWidget<QListView>(m_decksGroupBox, "deckListView");
    m_deckListView->setViewMode(QListView::ListMode);
    m_deckListView->setFlow(QListView::LeftToRight);
    m_deckListView->setWrapping(true);
    m_deckListView->setMovement(QListView::Static);
    m_deckListView->setResizeMode(QListView::Adjust);
    m_deckListView->setSpacing(2);
    m_deckListView->setUniformItemSizes(true);
    m_deckListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_deckListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_deckListView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_deckListView->setItemDelegate(new korvo::CardItemDelegate(m_profile, m_deckListView));
    verticalLayout_5->addWidget(m_deckListView);
    horizontalLayout_2->addWidget(m_decksGroupBox, 1);

    auto* widget_2 = namedWidget<QWidget>(widget, "widget_2");
    auto* verticalLayout_8 = namedLayout<QVBoxLayout>(widget_2, "verticalLayout_8");
    verticalLayout_8->setContentsMargins(0, 0, 0, 0);

    m_sessionTypeGroupBox = namedWidget<QGroupBox>(widget_2, "sessionTypeGroupBox");
    auto* verticalLayout_6 = namedLayout<QVBoxLayout>(m_sessionTypeGroupBox, "verticalLayout_6");
    m_typeMcqRB = namedWidget<QRadioButton>(m_sessionTypeGroupBox, "typeMcqRB");
    m_typeWriteRB = namedWidget<QRadioButton>(m_sessionTypeGroupBox, "typeWriteRB");
    m_typeFreeRB = namedWidget<QRadioButton>(m_sessionTypeGroupBox, "typeFreeRB");
    for (QRadioButton* button : {m_typeMcqRB, m_typeWriteRB, m_typeFreeRB})
        verticalLayout_6->addWidget(button);
    verticalLayout_8->addWidget(m_sessionTypeGroupBox);

    m_mcqGroupBox = namedWidget<QGroupBox>(widget_2, "mcqGroupBox");
    auto* verticalLayout_7 = namedLayout<QVBoxLayout>(m_mcqGroupBox, "verticalLayout_7");
    m_quizOnSimplifiedRB = namedWidget<QRadioButton>(m_mcqGroupBox, "quizOnSimplifiedRB");
    m_quizOnTraditionalRB = namedWidget<QRadioButton>(m_mcqGroupBox, "quizOnTraditionalRB");
    m_quizOnPinyinRB = namedWidget<QRadioButton>(m_mcqGroupBox, "quizOnPinyinRB");
    m_quizOnDefinitionRB = namedWidget<QRadioButton>(m_mcqGroupBox, "quizOnDefinitionRB");
    for (QRadioButton* button :
         {m_quizOnSimplifiedRB, m_quizOnTraditionalRB, m_quizOnPinyinRB, m_quizOnDefinitionRB})
        verticalLayout_7->addWidget(button);
    verticalLayout_8->addWidget(m_mcqGroupBox);

    m_visibleCardInfoGroupBox = namedWidget<QGroupBox>(widget_2, "visibleCardInfoGroupBox");
    auto* verticalLayout_2 =
        namedLayout<QVBoxLayout>(m_visibleCardInfoGroupBox, "verticalLayout_2");
    m_simplifiedCheckbox = namedWidget<QCheckBox>(m_visibleCardInfoGroupBox, "simplifiedCheckbox");
    m_traditionalCheckbox =
        namedWidget<QCheckBox>(m_visibleCardInfoGroupBox, "traditionalCheckbox");
    m_pinyinCheckbox = namedWidget<QCheckBox>(m_visibleCardInfoGroupBox, "pinyinCheckbox");
    m_definitionCheckbox = namedWidget<QCheckBox>(m_visibleCardInfoGroupBox, "definitionCheckbox");
    for (QCheckBox* box :
         {m_simplifiedCheckbox, m_traditionalCheckbox, m_pinyinCheckbox, m_definitionCheckbox})
        verticalLayout_2->addWidget(box);
    verticalLayout_8->addWidget(m_visibleCardInfoGroupBox);

    m_desiredCardGroupBox = namedWidget<QGroupBox>(widget_2, "desiredCardGroupBox");
    auto* verticalLayout_3 = namedLayout<QVBoxLayout>(m_desiredCardGroupBox, "verticalLayout_3");
    m_practiceAllRB = namedWidget<QRadioButton>(m_desiredCardGroupBox, "practiceAllRB");
    verticalLayout_3->addWidget(m_practiceAllRB);
    auto* horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    m_practiceOnlyRB = namedWidget<QRadioButton>(m_desiredCardGroupBox, "practiceOnlyRB");
    m_practiceOnlyTE = namedWidget<QLineEdit>(m_desiredCardGroupBox, "practiceOnlyTE");
    m_practiceOnlyTE->setMaximumWidth(60);
    m_practiceOnlyLabel = namedWidget<QLabel>(m_desiredCardGroupBox, "practiceOnlyLabel");
    horizontalLayout->addWidget(m_practiceOnlyRB);
    horizontalLayout->addWidget(m_practiceOnlyTE);
    horizontalLayout->addWidget(m_practiceOnlyLabel);
    horizontalLayout->addStretch(1);
    verticalLayout_3->addLayout(horizontalLayout);
    verticalLayout_8->addWidget(m_desiredCardGroupBox);

    m_sessionGroupBox = namedWidget<QGroupBox>(widget_2, "sessionGroupBox");
    auto* verticalLayout_4 = namedLayout<QVBoxLayout>(m_sessionGroupBox, "verticalLayout_4");
    m_srCheckbox = namedWidget<QCheckBox>(m_sessionGroupBox, "srCheckbox");
    verticalLayout_4->addWidget(m_srCheckbox);
    verticalLayout_8->addWidget(m_sessionGroupBox);
    verticalLayout_8->addStretch(1);

    // The option groups sit close together, so that the form keeps to its size.
    for (QVBoxLayout* group : {verticalLayout_6, verticalLayout_7, verticalLayout_2,
                               verticalLayout_3, verticalLayout_4}) {
        group->setSpacing(2);
        group->setContentsMargins(8, 4, 8, 4);
    }
    verticalLayout_8->setSpacing(4);

    horizontalLayout_2->addWidget(widget_2, 0);
    verticalLayout->addWidget(widget, 1);

    auto* buttonLayout = new QHBoxLayout;
    buttonLayout->setObjectName(QStringLiteral("buttonLayout"));
    m_cardCountLabel = namedWidget<QLabel>(this, "cardCountLabel");
    m_cardCountLabel->setTextFormat(Qt::RichText);
    m_startButton = namedWidget<QPushButton>(this, "startButton");
    m_cancelButton = namedWidget<QPushButton>(this, "cancelButton");
    for (QPushButton* button : {m_startButton, m_cancelButton})
        button->setMinimumSize(100, 26);
    m_startButton->setDefault(true);
    m_cancelButton->setAutoDefault(false);
    buttonLayout->addWidget(m_cardCountLabel);
    buttonLayout->addStretch(1);
    buttonLayout->addWidget(m_startButton);
    buttonLayout->addWidget(m_cancelButton);
    verticalLayout->addLayout(buttonLayout);
}

void SessionDialog::retranslate()
{
    setWindowTitle(translate(QStringLiteral("Session")));
    m_decksGroupBox->setTitle(translate(QStringLiteral("Include these decks in the session:")));
    m_sessionTypeGroupBox->setTitle(translate(QStringLiteral("Session type")));
    m_typeMcqRB->setText(translate(QStringLiteral("Multiple-choice questions")));
    m_typeWriteRB->setText(translate(QStringLiteral("Type-in questions")));
    m_typeFreeRB->setText(translate(QStringLiteral("Self-assessment")));
    m_mcqGroupBox->setTitle(translate(QStringLiteral("Quiz on:")));
    m_quizOnSimplifiedRB->setText(translate(QStringLiteral("Simplified")));
    m_quizOnTraditionalRB->setText(translate(QStringLiteral("Traditional")));
    m_quizOnPinyinRB->setText(translate(QStringLiteral("Pinyin")));
    m_quizOnDefinitionRB->setText(translate(QStringLiteral("Definition")));
    m_visibleCardInfoGroupBox->setTitle(
        translate(QStringLiteral("Show this information on the cards:")));
    m_simplifiedCheckbox->setText(translate(QStringLiteral("Simplified characters")));
    m_traditionalCheckbox->setText(translate(QStringLiteral("Traditional characters")));
    m_pinyinCheckbox->setText(translate(QStringLiteral("Pinyin")));
    m_definitionCheckbox->setText(translate(QStringLiteral("Definition")));
    m_desiredCardGroupBox->setTitle(translate(QStringLiteral("Number of cards")));
    m_practiceAllRB->setText(translate(QStringLiteral("Practice all the cards")));
    m_practiceOnlyRB->setText(translate(QStringLiteral("Practice only:")));
    m_practiceOnlyLabel->setText(translate(QStringLiteral("cards")));
    m_sessionGroupBox->setTitle(translate(QStringLiteral("Session")));
    m_srCheckbox->setText(translate(QStringLiteral("Use spaced repetition learning technique")));
    m_srCheckbox->setToolTip(translate(QStringLiteral(
        "Spaced repetition helps you learn more efficiently by showing you more frequently the "
        "cards you often get wrong, and less frequently the ones you often get right.")));
    m_startButton->setText(translate(QStringLiteral("Start")));
    m_cancelButton->setText(translate(QStringLiteral("Cancel")));
    // The count label carries a number only this method's caller knows: recount.
    updateCardCount();
}

QString SessionDialog::characterMode() const
{
    if (!m_profile)
        return QStringLiteral("simplified");
    return m_profile->setting(QStringLiteral("characterMode")).toString();
}

void SessionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QString mode = characterMode();
    const bool simplified = mode == QLatin1String("simplified") || mode == QLatin1String("both");
    const bool traditional = mode == QLatin1String("traditional") || mode == QLatin1String("both");
    m_simplifiedCheckbox->setVisible(simplified);
    m_quizOnSimplifiedRB->setVisible(simplified);
    m_traditionalCheckbox->setVisible(traditional);
    m_quizOnTraditionalRB->setVisible(traditional);
    m_fillPending = true;
    QTimer::singleShot(1, this, &SessionDialog::timer_afterShowInitialize);
}

QCheckBox* SessionDialog::cardInfoCheckbox(const QString& field) const
{
    if (field == QLatin1String("simplified"))
        return m_simplifiedCheckbox;
    if (field == QLatin1String("traditional"))
        return m_traditionalCheckbox;
    if (field == QLatin1String("pinyin"))
        return m_pinyinCheckbox;
    if (field == QLatin1String("definition"))
        return m_definitionCheckbox;
    return nullptr;
}

QRadioButton* SessionDialog::quizRadioButton(const QString& field) const
{
    if (field == QLatin1String("simplified"))
        return m_quizOnSimplifiedRB;
    if (field == QLatin1String("traditional"))
        return m_quizOnTraditionalRB;
    if (field == QLatin1String("pinyin"))
        return m_quizOnPinyinRB;
    if (field == QLatin1String("definition"))
        return m_quizOnDefinitionRB;
    return nullptr;
}

void SessionDialog::timer_afterShowInitialize()
{
    if (!m_profile || !m_session) {
        m_fillPending = false;
        return;
    }
    m_ready = false;

    QList<Deck*> decks;
    m_profile->collectDecks(decks, false);
    korvo::DeckListModel* oldModel = m_deckModel;
    m_deckModel = new korvo::DeckListModel(m_profile, decks, this);
    m_deckListView->setModel(m_deckModel);
    delete oldModel;
    connect(m_deckListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SessionDialog::deckListView_selectionChanged);

    // The field asked for follows the script the learner reads.
    QString quizOn = m_session->quizOn();
    const QString mode = characterMode();
    if (quizOn == QLatin1String("simplified") && mode == QLatin1String("traditional"))
        quizOn = QStringLiteral("traditional");
    else if (quizOn == QLatin1String("traditional") && mode == QLatin1String("simplified"))
        quizOn = QStringLiteral("simplified");
    if (QRadioButton* button = quizRadioButton(quizOn))
        button->setChecked(true);

    const CardState state = m_session->cardState();
    m_simplifiedCheckbox->setChecked(state.simplifiedVisible);
    m_traditionalCheckbox->setChecked(state.traditionalVisible);
    m_pinyinCheckbox->setChecked(state.pinyinVisible);
    m_definitionCheckbox->setChecked(state.definitionVisible);

    m_practiceAllRB->setChecked(m_session->useAllCards());
    m_practiceOnlyRB->setChecked(!m_session->useAllCards());
    m_srCheckbox->setChecked(m_session->useSpacedRepetition());
    m_practiceOnlyTE->setText(QString::number(m_session->desiredCardCount()));

    switch (m_session->type()) {
    case SessionType::Free:
        m_typeFreeRB->setChecked(true);
        break;
    case SessionType::Mcq:
        m_typeMcqRB->setChecked(true);
        break;
    case SessionType::Write:
        m_typeWriteRB->setChecked(true);
        break;
    }

    // A question needs something on the front of the card: when the last card information
    // shows nothing there in this script apart from the asked field (as the first session's
    // simplified and traditional characters do for a quiz on simplified characters), every
    // part is shown, as choosing the kind of question does.
    if (!m_typeFreeRB->isChecked()) {
        const QString asked = quizField();
        const bool simplifiedShown = m_simplifiedCheckbox->isChecked() && asked != "simplified" &&
                                     (mode == "simplified" || mode == "both");
        const bool traditionalShown = m_traditionalCheckbox->isChecked() &&
                                      asked != "traditional" &&
                                      (mode == "traditional" || mode == "both");
        const bool pinyinShown = m_pinyinCheckbox->isChecked() && asked != "pinyin";
        const bool definitionShown = m_definitionCheckbox->isChecked() && asked != "definition";
        if (!simplifiedShown && !traditionalShown && !pinyinShown && !definitionShown)
            checkAllCardInfo();
    }

    const QList<int> deckIds = m_session->deckIds();
    QItemSelection selection;
    for (int row = 0; row < m_deckModel->rowCount(); ++row) {
        if (deckIds.contains(m_deckModel->deckIds().at(row))) {
            const QModelIndex index = m_deckModel->index(row);
            selection.select(index, index);
        }
    }
    QItemSelectionModel* selectionModel = m_deckListView->selectionModel();
    if (!selection.isEmpty()) {
        selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    } else if (m_deckModel->rowCount() > 0) {
        const QModelIndex first = m_deckModel->index(0);
        selectionModel->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
    }

    m_ready = true;
    m_fillPending = false;
    updateCardCount();
    emit filled();
}

QList<Deck*> SessionDialog::selectedDecks() const
{
    QList<Deck*> decks;
    if (!m_deckModel || !m_deckListView->selectionModel())
        return decks;
    const QModelIndexList rows = m_deckListView->selectionModel()->selectedRows();
    for (const QModelIndex& index : rows) {
        if (Deck* deck = m_deckModel->deckAt(index.row()))
            decks.append(deck);
    }
    return decks;
}

int SessionDialog::desiredCardCount() const
{
    bool ok = false;
    const int count = m_practiceOnlyTE->text().toInt(&ok, 10);
    return ok && count >= 1 ? count : 1;
}

QString SessionDialog::quizField() const
{
    if (m_typeFreeRB->isChecked())
        return QString();
    if (m_quizOnSimplifiedRB->isChecked())
        return QStringLiteral("simplified");
    if (m_quizOnTraditionalRB->isChecked())
        return QStringLiteral("traditional");
    if (m_quizOnPinyinRB->isChecked())
        return QStringLiteral("pinyin");
    if (m_quizOnDefinitionRB->isChecked())
        return QStringLiteral("definition");
    return QString();
}

void SessionDialog::updateCardCount()
{
    if (!m_ready)
        return;
    const QString label = translate(QStringLiteral("Cards in session: %1"));
    m_cardCountLabel->setText(label.arg(QStringLiteral("%1%2%3").arg(
        QStringLiteral("<span style='color:#FF0000; font-weight:bold;'>"),
        translate(QStringLiteral("Calculating...")), QStringLiteral("</span>"))));
    // Counting a large selection with spaced repetition takes a moment: show it now.
    if (isVisible())
        m_cardCountLabel->repaint();

    const QList<Deck*> decks = selectedDecks();
    const int count = korvo::countCards(
        decks, m_practiceAllRB->isChecked() ? -1 : desiredCardCount(), m_srCheckbox->isChecked());
    m_startButton->setEnabled(!decks.isEmpty() && count > 0);
    m_cardCountLabel->setText(label.arg(count));

    m_practiceOnlyTE->setEnabled(m_practiceOnlyRB->isChecked());
    m_practiceOnlyLabel->setEnabled(m_practiceOnlyRB->isChecked());
    for (QCheckBox* box :
         {m_simplifiedCheckbox, m_traditionalCheckbox, m_pinyinCheckbox, m_definitionCheckbox})
        box->setEnabled(true);

    // The field asked for is never shown on the front of the card.
    const bool quiz = !m_typeFreeRB->isChecked();
    m_mcqGroupBox->setVisible(quiz);
    if (quiz) {
        if (QCheckBox* box = cardInfoCheckbox(quizField())) {
            box->setEnabled(false);
            box->setChecked(false);
        }
    }
}

void SessionDialog::checkAllCardInfo()
{
    for (QCheckBox* box :
         {m_simplifiedCheckbox, m_traditionalCheckbox, m_pinyinCheckbox, m_definitionCheckbox})
        box->setChecked(true);
}

// While the form is filled from the session the boxes keep the session's card state; only a
// choice the learner makes shows every part again.
void SessionDialog::sessionType_radioButtonToggled(bool checked)
{
    if (checked && m_ready && !m_typeFreeRB->isChecked())
        checkAllCardInfo();
    updateCardCount();
}

void SessionDialog::mcqGroupBox_radioButtonToggled(bool checked)
{
    if (checked && m_ready)
        checkAllCardInfo();
    updateCardCount();
}

void SessionDialog::practiceAllCheckbox_toggled(bool)
{
    updateCardCount();
}

void SessionDialog::practiceOnlyRB_toggled(bool)
{
    updateCardCount();
}

void SessionDialog::practiceOnlyTE_editingFinished()
{
    updateCardCount();
}

void SessionDialog::srCheckbox_stateChanged(int)
{
    updateCardCount();
}

void SessionDialog::deckListView_selectionChanged(const QItemSelection&, const QItemSelection&)
{
    updateCardCount();
}

void SessionDialog::startButton_clicked()
{
    if (!m_session)
        return;
    CardState state;
    state.simplifiedVisible = m_simplifiedCheckbox->isChecked();
    state.traditionalVisible = m_traditionalCheckbox->isChecked();
    state.pinyinVisible = m_pinyinCheckbox->isChecked();
    state.definitionVisible = m_definitionCheckbox->isChecked();

    SessionType type = SessionType::Write;
    if (m_typeFreeRB->isChecked())
        type = SessionType::Free;
    else if (m_typeMcqRB->isChecked())
        type = SessionType::Mcq;
    // Self-assessment keeps the field last asked for, for the next quiz.
    QString quizOn = m_session->quizOn();
    if (type != SessionType::Free && !quizField().isEmpty())
        quizOn = quizField();

    m_session->setQuizOn(quizOn);
    m_session->setType(type);
    m_session->setCardState(state);
    m_session->setDecks(selectedDecks());
    m_session->setUseSpacedRepetition(m_srCheckbox->isChecked());
    m_session->setUseAllCards(m_practiceAllRB->isChecked());
    m_session->setDesiredCardCount(desiredCardCount());
    m_session->prepare();
    m_session->start();
    m_session->saveSettings();
    hide();
}

void SessionDialog::cancelButton_clicked()
{
    hide();
}
