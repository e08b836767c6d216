#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Every file dialog of the program: the file to read or to write, chosen by
// the user in Qt's dialog, or an empty text when the user cancelled.
// Filters are Qt's ("文本文件 (*.txt)").
//
// Tests choose without a dialog: while unattended, a dialog takes the next
// name queued with SetNextFileName (an empty one cancels), and cancels when
// none is queued; what it would have asked is kept for Asked().
namespace FileDialog {

// An existing file to read, the dialog opening in `folder`.
QString OpenFileName(QWidget *parent, const QString &caption, const QString &folder, const QStringList &filters);

// A file to write, `suggested` proposed. A name typed without an ending
// gets the first ending of the filter chosen, which `chosenFilter` receives
// (a queued name chooses the filter its ending matches, else the first).
QString SaveFileName(QWidget *parent, const QString &caption, const QString &suggested, const QStringList &filters,
                     QString *chosenFilter = nullptr);

// A dialog answered without being shown.
struct TAsked
{
    QString caption;
    QString start; // the folder or the proposed file
    QStringList filters;
    QString answer;
};

// Either way forgets the names queued.
void SetUnattended(bool on);
void SetNextFileName(const QString &path);
// The dialogs answered so far, oldest first; tests read and clear it.
QList<TAsked> &Asked();

} // namespace FileDialog
