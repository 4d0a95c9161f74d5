#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvo {
class Profile;
}

// The "Options" dialog: interface language, Chinese script, update check and audio (General),
// and the Chinese font, pinyin colours and the editable properties of the style sheet
// (Appearance). Each tab is filled from the settings the first time it is shown in an opening;
// Save stores only the tabs that were filled. Created once by the application and reused; the
// profile is borrowed.
class OptionDialog : public QDialog
{
    Q_OBJECT

public:
    // `chineseFonts` are the families offered for the Chinese font (the start-up's list).
    OptionDialog(korvo::Profile* profile, const QStringList& chineseFonts,
                 QWidget* parent = nullptr);

    void retranslate();
    // Forgets which tabs were filled, so that the next showing reads the settings again.
    void prepareToShow();
    // The update check is offered only when the program has a version server to ask.
    void setUpdateCheckOffered(bool offered);

    QTabWidget* tabWidget() const { return m_tabs; }
    QTreeWidget* styleTreeView() const { return m_styleTree; }

public slots:
    void saveButton_clicked();
    void cancelButton_clicked();
    void changeFontButton_clicked();
    void tabWidget_currentChanged(int index);
    void styleTreeView_currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void styleProperty_changed();
    void resetStyleButton_clicked();
    void colorButton_clicked();
    void stylePropertyPages_currentChanged(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildGeneralTab();
    QWidget* buildAppearanceTab();
    void loadGeneralTab();
    void loadAppearanceTab();
    void showFontInformation();
    void buildStyleTree();
    QString overridesJson() const;
    void setChildValue(QTreeWidgetItem* child, const QString& value, bool overridden);

    korvo::Profile* m_profile;
    QStringList m_chineseFonts;
    bool m_generalLoaded = false;
    bool m_appearanceLoaded = false;
    bool m_fontChanging = false;
    bool m_loadingPage = false;

    QTabWidget* m_tabs;
    QLabel* m_localeLabel;
    QComboBox* m_localeDD;
    QLabel* m_modeLabel;
    QComboBox* m_modeDD;
    QCheckBox* m_updateCheckBox;
    QCheckBox* m_playAudioCheckBox;
    QLabel* m_fontLabel;
    QLabel* m_fontInfoLabel;
    QPushButton* m_changeFontButton;
    QComboBox* m_fontComboBox;
    QLabel* m_pinyinColorLabel;
    QComboBox* m_pinyinColorComboBox;
    QLabel* m_styleLabel;
    QTreeWidget* m_styleTree;
    QStackedWidget* m_pages;
    QLabel* m_fontSizeLabel;
    QSpinBox* m_fontSizeSpinBox;
    QLabel* m_fontFamilyLabel;
    QFontComboBox* m_fontFamilyComboBox;
    QCheckBox* m_fontWeightCheckbox;
    QLabel* m_colorLabel;
    QPushButton* m_colorButton;
    QPushButton* m_resetStyleButton;
    QPushButton* m_saveButton;
    QPushButton* m_cancelButton;
};
