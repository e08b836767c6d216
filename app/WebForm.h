#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

// The help window: a separate sizeable window whose client area browses the
// help pages.
class TWebForm : public QWidget
{
    Q_OBJECT

public:
    static const QUrl HelpAddress;

    explicit TWebForm(QWidget *parent = nullptr);
    void Navigate(const QUrl &address);
    QUrl Address() const;

private:
    QTextBrowser *m_browser;
};
