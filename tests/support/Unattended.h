#pragma once
// Windows under test without a box or a file dialog showing: each is
// answered as app/MessageBox.h and app/FileDialog.h describe.

#include "app/FileDialog.h"
#include "app/MessageBox.h"

#include <QStringList>

// From now on no message box or file dialog shows; a question nothing was
// queued for is answered `fallback` when it offers that. Forgets what was
// shown before.
inline void Unattended(QMessageBox::StandardButton fallback = QMessageBox::Discard)
{
    MessageBox::SetUnattended(true, fallback);
    FileDialog::SetUnattended(true);
    MessageBox::ClearShown();
    FileDialog::ClearAsked();
}

// The texts of the message boxes shown since they were last cleared.
inline QStringList ShownTexts()
{
    QStringList texts;
    for (const MessageBox::TShown &box : MessageBox::Shown())
        texts << box.text;
    return texts;
}
