#include "ui/editdeckdialog.h"

#include "profile/deck.h"
#include "profile/profile.h"
#include "style/applicationservices.h"
#include "text/translationcatalogue.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using korvo::ApplicationServices;
using korvo::Deck;
using korvo::Profile;
using korvo::translate;

EditDeckDialog::EditDeckDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditDeckDialog"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    m_titleLabel = new QLabel(this);
    m_titleTE = new QLineEdit(this);
    m_titleTE->setObjectName(QStringLiteral("titleTE"));
    m_titleTE->setMinimumWidth(280);
    m_titleLabel->setBuddy(m_titleTE);
    m_folderCheckbox = new QCheckBox(this);
    m_folderCheckbox->setObjectName(QStringLiteral("folderCheckbox"));
    form->addWidget(m_titleLabel, 0, 0);
    form->addWidget(m_titleTE, 0, 1);
    form->addWidget(m_folderCheckbox, 1, 1);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    m_saveButton = new QPushButton(this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setDefault(true);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    connect(m_saveButton, &QPushButton::clicked, this, &EditDeckDialog::saveButton_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &EditDeckDialog::cancelButton_clicked);

    if (ApplicationServices* services = ApplicationServices::instance())
        services->addHelpShortcut(this, QStringLiteral("deck-properties"));
    retranslate();
}

EditDeckDialog::~EditDeckDialog()
{
    releaseWorkingDeck();
}

Profile* EditDeckDialog::profile() const
{
    if (ApplicationServices* services = ApplicationServices::instance())
        return services->profile();
    return m_deck ? m_deck->profile() : nullptr;
}

void EditDeckDialog::releaseWorkingDeck()
{
    // It never joined the tree: there is no parent to detach it from.
    if (m_workingDeck)
        m_workingDeck->dispose(false);
    m_workingDeck = nullptr;
}

void EditDeckDialog::setDeck(Deck* deck, Deck* insertionPoint)
{
    m_deck = deck;
    m_insertionPoint = insertionPoint;
    m_result = nullptr;
    releaseWorkingDeck();
    if (Profile* userProfile = profile()) {
        m_workingDeck = userProfile->newDeck();
        if (deck) {
            m_workingDeck->setTitle(deck->title());
            m_workingDeck->setFolder(deck->isFolder());
        }
    }
    m_titleTE->setText(m_workingDeck ? m_workingDeck->displayTitle() : QString());
    m_folderCheckbox->setChecked(m_workingDeck && m_workingDeck->isFolder());
    // A deck never turns into a folder or back.
    m_folderCheckbox->setEnabled(!deck);
    retranslate();
}

void EditDeckDialog::retranslate()
{
    setWindowTitle(translate(QStringLiteral("Deck")));
    m_titleLabel->setText(translate(QStringLiteral("Title")));
    m_folderCheckbox->setText(m_deck ? translate(QStringLiteral("Deck folder"))
                                     : translate(QStringLiteral("Create a deck folder")));
    m_saveButton->setText(translate(QStringLiteral("Save")));
    m_cancelButton->setText(translate(QStringLiteral("Cancel")));
}

void EditDeckDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_titleTE->setFocus(Qt::OtherFocusReason);
}

void EditDeckDialog::saveButton_clicked()
{
    Profile* userProfile = profile();
    if (!userProfile || !m_workingDeck) {
        cancelButton_clicked();
        return;
    }
    m_workingDeck->setTitle(m_titleTE->text().trimmed());
    m_workingDeck->setFolder(m_folderCheckbox->isChecked());

    const bool creating = !m_deck;
    Deck* deck = creating ? userProfile->newDeck() : m_deck.data();
    deck->setTitle(m_workingDeck->title());
    if (creating)
        deck->setFolder(m_workingDeck->isFolder());
    if (deck->displayTitle().trimmed().isEmpty())
        deck->setTitle(translate(QStringLiteral("Untitled")));
    userProfile->saveDeck(deck, false, true);

    // Only a new deck is placed; an edited deck stays where it is.
    Deck* insertionPoint = m_insertionPoint.data();
    if (creating && insertionPoint && insertionPoint != deck && !insertionPoint->isDisposed()) {
        if (insertionPoint->isFolder()) {
            insertionPoint->addChild(deck);
        } else if (Deck* parent = userProfile->deckById(insertionPoint->parentId())) {
            parent->insertChild(deck, int(parent->children().indexOf(insertionPoint)) + 1);
        }
        userProfile->renumberDecks();
    }

    m_result = deck;
    releaseWorkingDeck();
    accept();
}

void EditDeckDialog::cancelButton_clicked()
{
    m_result = nullptr;
    releaseWorkingDeck();
    reject();
}
