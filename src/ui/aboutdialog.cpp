#include "ui/aboutdialog.h"

#include "text/texthelpers.h"
#include "text/translationcatalogue.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace korvo {

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

AboutDialog::AboutDialog(const QString& version, const QString& creditsFile, QWidget* parent)
    : QDialog(parent), m_version(version), m_credits(readText(creditsFile))
{
    setObjectName(QStringLiteral("aboutDialog"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont = m_title->font();
    titleFont.setPointSize(titleFont.pointSize() + 8);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("detailsLabel"));
    m_details->setTextFormat(Qt::RichText);
    m_details->setOpenExternalLinks(true);
    m_details->setWordWrap(true);

    m_creditsView = new QTextBrowser(this);
    m_creditsView->setObjectName(QStringLiteral("creditsBrowser"));
    m_creditsView->setOpenExternalLinks(true);
    m_creditsView->setMarkdown(m_credits);

    m_closeButton = new QPushButton(this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_details);
    layout->addWidget(m_creditsView, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    layout->addLayout(buttons);
    resize(620, 560);
    retranslate();
}

QString AboutDialog::contactAddress()
{
    return QStringLiteral("https://quillet.org/contact");
}

void AboutDialog::retranslate()
{
    setWindowTitle(translate("About %1").arg(QStringLiteral("Quillet")));
    m_title->setText(QStringLiteral("Quillet"));
    const QString contact = contactAddress();
    m_details->setText(
        QStringLiteral("<p>%1<br>%2</p><p>%3 <a href=\"%4\">%5</a></p><p><b>%6</b></p>")
            .arg(translate("Version %1").arg(m_version),
                 translate("Built with Qt %1").arg(QString::fromLatin1(qVersion())),
                 escapeHtml(translate("Questions, ideas or a mistake in the dictionary?")), contact,
                 escapeHtml(translate("Write to us")), escapeHtml(translate("Data sources"))));
    m_closeButton->setText(translate("Close"));
}

} // namespace korvo
