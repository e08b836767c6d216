#include "app/BackgroundWork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <thread>

namespace {

// What the work's thread tells the waiting one, as queued signals.
class TWorkSignals : public QObject
{
    Q_OBJECT

signals:
    void Progressed(int permille);
    void Done();
};

// What is being done, and how far it got: a busy bar until the work tells.
// It cannot be closed; it goes when the work is done.
class TWorkDialog : public QDialog
{
public:
    TWorkDialog(QWidget *window, const QString &text)
        : QDialog(window, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QStringLiteral("WorkDialog"));
        setWindowTitle(window ? window->window()->windowTitle() : QString());
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        auto *label = new QLabel(text);
        label->setObjectName(QStringLiteral("WorkText"));
        layout->addWidget(label);
        m_bar = new QProgressBar;
        m_bar->setObjectName(QStringLiteral("WorkProgress"));
        m_bar->setRange(0, 0);
        m_bar->setMinimumWidth(300);
        layout->addWidget(m_bar);
    }

    void SetPermille(int permille)
    {
        m_bar->setRange(0, 1000);
        m_bar->setValue(permille);
    }

    void reject() override {}

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }

private:
    QProgressBar *m_bar = nullptr;
};

} // namespace

namespace BackgroundWork {

void Run(QWidget *window, const QString &text, const std::function<void(const Progress &)> &work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TWorkDialog dialog(window, text);
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, &dialog, &QWidget::show);
    QEventLoop loop;
    TWorkSignals told;
    QObject::connect(&told, &TWorkSignals::Progressed, &dialog, &TWorkDialog::SetPermille);
    QObject::connect(&told, &TWorkSignals::Done, &loop, &QEventLoop::quit);
    std::exception_ptr error;
    const auto body = [&](const Progress &progress) {
        try {
            work(progress);
        } catch (...) {
            error = std::current_exception();
        }
    };
    int last = -1;
    const Progress tell = [&](double share) {
        const int permille = qBound(0, int(share * 1000), 1000);
        if (permille == last)
            return;
        last = permille;
        emit told.Progressed(permille);
    };
    std::thread thread;
    try {
        thread = std::thread([&] {
            body(tell);
            emit told.Done();
        });
    } catch (const std::exception &) {
        // No thread to be had (the memory is exhausted): the work runs
        // here, the window waiting.
        body(tell);
    }
    if (thread.joinable()) {
        later.start(DialogAfterMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        thread.join();
    }
    QApplication::restoreOverrideCursor();
    if (error)
        std::rethrow_exception(error);
}

} // namespace BackgroundWork

#include "BackgroundWork.moc"
