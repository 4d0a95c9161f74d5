#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace korvo {

// The about box: product name and version, the toolkit's version, a contact link and the
// credits of every data source with its licence (the data folder's "CREDITS.md"). Created once
// by the application and reused; owns its widgets.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // `creditsFile` is the Markdown file of credits; a missing file leaves the credits empty.
    AboutDialog(const QString& version, const QString& creditsFile, QWidget* parent = nullptr);

    void retranslate();
    QString creditsMarkdown() const { return m_credits; }

    static QString contactAddress();

private:
    QString m_version;
    QString m_credits;
    QLabel* m_title;
    QLabel* m_details;
    QTextBrowser* m_creditsView;
    QPushButton* m_closeButton;
};

} // namespace korvo
