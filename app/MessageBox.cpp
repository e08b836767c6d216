#include "app/MessageBox.h"

#include "app/BuildInfo.h"

#include <QPushButton>
#include <QQueue>

namespace MessageBox {

namespace {

bool unattended = false;
QMessageBox::StandardButton fallbackAnswer = QMessageBox::NoButton;
QQueue<QMessageBox::StandardButton> nextAnswers;
TShown lastShown;

struct TButtonText
{
    QMessageBox::StandardButton button;
    const char16_t *text;
};

// The buttons the program's boxes offer, left to right as they are laid out.
constexpr TButtonText ButtonTexts[] = {
    {QMessageBox::Ok, u"确定"},     {QMessageBox::Save, u"保存"}, {QMessageBox::Discard, u"不保存"},
    {QMessageBox::Yes, u"是"},      {QMessageBox::No, u"否"},     {QMessageBox::Cancel, u"取消"},
};

QMessageBox::StandardButton Run(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, Title(), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    buttons, parent);
    QStringList texts;
    for (const TButtonText &b : ButtonTexts) {
        if (QAbstractButton *button = box.button(b.button)) {
            button->setText(QString::fromUtf16(b.text));
            texts << button->text();
        }
    }
    box.setDefaultButton(defaultButton);
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    if (unattended || !nextAnswers.isEmpty()) {
        QMessageBox::StandardButton answer = defaultButton;
        if (!nextAnswers.isEmpty())
            answer = nextAnswers.dequeue();
        else if (buttons.testFlag(fallbackAnswer))
            answer = fallbackAnswer;
        lastShown = {icon, box.windowTitle(), text, texts, answer};
        ShownTexts().append(text);
        return answer;
    }
    box.exec();
    const QMessageBox::StandardButton chosen = box.standardButton(box.clickedButton());
    // Closed by the window manager: as Escape would.
    if (chosen == QMessageBox::NoButton)
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : defaultButton;
    return chosen;
}

} // namespace

QString Title()
{
    return BuildInfo::ProductTitle();
}

void Show(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    Run(parent, icon, text, QMessageBox::Ok, QMessageBox::Ok);
}

QMessageBox::StandardButton Ask(QWidget *parent, const QString &text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton)
{
    return Run(parent, QMessageBox::Question, text, buttons, defaultButton);
}

void SetUnattended(bool on, QMessageBox::StandardButton fallback)
{
    unattended = on;
    fallbackAnswer = fallback;
    nextAnswers.clear();
}

void SetNextAnswer(QMessageBox::StandardButton answer)
{
    nextAnswers.enqueue(answer);
}

QStringList &ShownTexts()
{
    static QStringList texts;
    return texts;
}

const TShown &LastShown()
{
    return lastShown;
}

} // namespace MessageBox
