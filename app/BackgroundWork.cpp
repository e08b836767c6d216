#include "app/BackgroundWork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

namespace {

// The work's thread; its progress reaches the dialog as queued signals.
class TWorkThread : public QThread
{
    Q_OBJECT

public:
    explicit TWorkThread(const std::function<void(const BackgroundWork::Progress &)> &work) : m_work(work) {}

    // The work on the calling thread, as the thread would run it.
    void RunHere() { run(); }
    void RethrowError() const
    {
        if (m_error)
            std::rethrow_exception(m_error);
    }

signals:
    void Progressed(int permille);

protected:
    void run() override
    {
        int told = -1;
        try {
            m_work([&](double share) {
                const int permille = qBound(0, int(share * 1000), 1000);
                if (permille != told) {
                    told = permille;
                    emit Progressed(permille);
                }
            });
        } catch (...) {
            m_error = std::current_exception();
        }
    }

private:
    const std::function<void(const BackgroundWork::Progress &)> &m_work;
    std::exception_ptr m_error;
};

// What is being done, and how far it got: a busy bar until the work tells.
// It cannot be closed; it goes when the work is done.
class TWorkDialog : public QDialog
{
public:
    TWorkDialog(QWidget *window, const QString &text) : QDialog(window, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
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
    TWorkThread thread(work);
    TWorkDialog dialog(window, text);
    QObject::connect(&thread, &TWorkThread::Progressed, &dialog, &TWorkDialog::SetPermille);
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, &dialog, &QWidget::show);
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread.start();
    if (thread.isRunning() || thread.isFinished()) {
        later.start(DialogAfterMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        thread.RunHere();
    }
    thread.wait();
    QApplication::restoreOverrideCursor();
    thread.RethrowError();
}

} // namespace BackgroundWork

#include "BackgroundWork.moc"
