#pragma once
// Windows under test without a box or a file dialog showing: each is
// answered as app/MessageBox.h and app/FileDialog.h describe.

#include "app/FileDialog.h"
#include "app/MessageBox.h"

// From now on no message box or file dialog shows; a question nothing was
// queued for is answered `fallback` when it offers that. Forgets what was
// shown before.
inline void Unattended(QMessageBox::StandardButton fallback = QMessageBox::Discard)
{
    MessageBox::SetUnattended(true, fallback);
    FileDialog::SetUnattended(true);
    MessageBox::ShownTexts().clear();
    FileDialog::Asked().clear();
}
