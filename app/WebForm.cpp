#include "app/WebForm.h"
#include "app/BuildInfo.h"

#include <QResizeEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// A browser that keeps its text off the window's edges, in a column no
// wider than reads well, centred in a wide window.
class THelpBrowser : public QTextBrowser
{
public:
    // Room between the text and the browser's edges.
    static constexpr int Margin = 24;

    explicit THelpBrowser(QWidget *parent) : QTextBrowser(parent)
    {
        setFrameShape(QFrame::NoFrame);
        // The margins are part of the page.
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
    }

protected:
    // Also called for the viewport's resizes, which the margins cause.
    void resizeEvent(QResizeEvent *event) override
    {
        // About 45 Chinese characters a line.
        const int column = 45 * fontMetrics().horizontalAdvance(QChar(0x6C49));
        const int side = qMax(Margin, (width() - column) / 2);
        const QMargins margins(side, Margin / 2, side, Margin / 2);
        if (viewportMargins() != margins)
            setViewportMargins(margins);
        QTextBrowser::resizeEvent(event);
    }
};

} // namespace

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
    m_browser = new THelpBrowser(this);
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
