#include "app/WebForm.h"
#include "app/BuildInfo.h"

#include <QTextBrowser>
#include <QVBoxLayout>

const QUrl TWebForm::HelpAddress(QStringLiteral("qrc:/help/index.html"));

// The help pages are compiled into the static library; register them.
static void InitHelpResources()
{
    Q_INIT_RESOURCE(help);
}

TWebForm::TWebForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    InitHelpResources();
    setObjectName(QStringLiteral("WebForm"));
    // Named after the site the pages belong to, as the main window's title is.
    setWindowTitle(QStringLiteral("帮助 - ") + BuildInfo::SiteName() + QLatin1Char(' ') + BuildInfo::SiteAddress());
    resize(544, 375);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("WebBrowserSite"));
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
}

void TWebForm::Navigate(const QUrl &address)
{
    m_browser->setSource(address);
}

QUrl TWebForm::Address() const
{
    return m_browser->source();
}
