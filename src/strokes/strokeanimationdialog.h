#pragma once

#include <QDialog>

#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace korvo {
class DeckCard;
class Dictionary;
class Profile;
class StrokeAnimation;
class StrokeAnimationDatabase;
class StrokeAnimationView;
class StrokeDecompositionView;
} // namespace korvo

// The modal window that shows how the Chinese characters of a text are written. On the left the
// user picks a character and, below it, one of its components; the tabs show the animation of
// the chosen one or its decomposition grid. A character without animation data says so and
// lists its components to pick instead. The last chosen tab is the user setting
// "strokeOrderView".
//
// The application creates the dialog once and reuses it: setText(text), then exec(). The
// profile, the dictionary and the animation database are borrowed; the dialog shares the
// current animation with the database and its views.
class StrokeAnimationDialog : public QDialog
{
    Q_OBJECT

public:
    StrokeAnimationDialog(korvo::Profile* profile, korvo::Dictionary* dictionary,
                          korvo::StrokeAnimationDatabase* database, QWidget* parent = nullptr);
    ~StrokeAnimationDialog() override;

    // Lists every Chinese character of the text, in order and with repeats, and selects the
    // first.
    void setText(const QString& text);
    // The characters of the card's simplified form.
    void setCard(korvo::DeckCard* card);
    // Sets the texts again in the interface language.
    void retranslate();

    std::shared_ptr<korvo::StrokeAnimation> currentAnimation() const { return m_currentAnimation; }
    // Made on first need; none before.
    korvo::StrokeAnimationView* animationView() const { return m_animationView; }
    korvo::StrokeDecompositionView* decompositionView() const { return m_decompositionView; }
    QLabel* messageLabel() const { return m_messageLabel; }

public slots:
    void profile_userSettingChanged(const QString& name);
    void characterList_itemClicked(QListWidgetItem* item);
    void characterList_itemSelectionChanged();
    void decompositionList_itemSelectionChanged();
    void characterTabWidget_currentChanged(int index);
    void restartButton_clicked();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildForm();
    void setListFonts();
    void detachViews();
    void updateView();
    QString currentCharacter() const;

    korvo::Profile* m_profile;
    korvo::Dictionary* m_dictionary;
    korvo::StrokeAnimationDatabase* m_database;
    std::shared_ptr<korvo::StrokeAnimation> m_currentAnimation;
    // The text whose animation was loaded last (whether or not it has one).
    QString m_loadedText;

    QGroupBox* m_characterListGroupBox = nullptr;
    QLabel* m_onlySimplifiedLabel = nullptr;
    QListWidget* m_characterList = nullptr;
    QListWidget* m_decompositionList = nullptr;
    QTabWidget* m_characterTabWidget = nullptr;
    QWidget* m_animationTab = nullptr;
    QGroupBox* m_characterGroupBox = nullptr;
    QVBoxLayout* m_characterLayout = nullptr;
    QPushButton* m_restartButton = nullptr;
    QWidget* m_decompositionTab = nullptr;
    QGroupBox* m_decompositionGroupBox = nullptr;
    QVBoxLayout* m_decompositionLayout = nullptr;
    QPushButton* m_previousButton = nullptr;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QLabel* m_messageLabel = nullptr;
    korvo::StrokeAnimationView* m_animationView = nullptr;
    korvo::StrokeDecompositionView* m_decompositionView = nullptr;
};
