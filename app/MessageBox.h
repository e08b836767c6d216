#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program. Each bears the product title, shows
// its text with the CR LF line breaks of the program's messages as line
// breaks, and has one OK button unless it asks a question; the buttons read
// in Chinese whatever translations are installed.
//
// Tests answer the boxes without showing them: while unattended, a box
// takes the next answer queued with SetNextAnswer, else the fallback answer
// when it offers that button, else its default button; what it would have
// shown is kept for ShownTexts() and LastShown().
namespace MessageBox {

// The title of every box: the product title.
QString Title();

// A message with one OK button.
void Show(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::Information);
inline void Warn(QWidget *parent, const QString &text)
{
    Show(parent, text, QMessageBox::Warning);
}

// A question offering `buttons`, `defaultButton` preselected; Escape
// answers Cancel when that is offered. Returns the button the user chose.
QMessageBox::StandardButton Ask(QWidget *parent, const QString &text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton);

// A box answered without being shown.
struct TShown
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;        // as the program gave it, line breaks CR LF
    QStringList buttons; // the buttons' texts: OK, Save, Don't save, Yes, No, Cancel as offered
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
};

// Either way forgets the answers queued.
void SetUnattended(bool on, QMessageBox::StandardButton fallback = QMessageBox::NoButton);
void SetNextAnswer(QMessageBox::StandardButton answer);
// The texts of the boxes answered so far, oldest first (tests read and clear
// it), and the last of them in full.
QStringList &ShownTexts();
const TShown &LastShown();

} // namespace MessageBox
