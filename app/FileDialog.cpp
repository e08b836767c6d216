#include "app/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>
#include <QRegularExpression>

namespace FileDialog {

namespace {

bool unattended = false;
QQueue<QString> nextNames;
QList<TAsked> asked;

// The endings a filter names: "CSV 表格 (*.csv *.txt)" gives csv and txt;
// "*" gives none.
QStringList Endings(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^ )]+)"));
    QStringList endings;
    for (const QRegularExpressionMatch &m : pattern.globalMatch(filter))
        endings << m.captured(1);
    return endings;
}

QString FilterOf(const QString &path, const QStringList &filters)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const QString &filter : filters)
        if (Endings(filter).contains(suffix, Qt::CaseInsensitive))
            return filter;
    return filters.value(0);
}

// The queued answer, when there is one or the dialog must not show.
bool AnsweredWithoutDialog(const QString &caption, const QString &start, const QStringList &filters, QString &answer)
{
    if (!unattended && nextNames.isEmpty())
        return false;
    answer = nextNames.isEmpty() ? QString() : nextNames.dequeue();
    asked.append({caption, start, filters, answer});
    return true;
}

} // namespace

QString OpenFileName(QWidget *parent, const QString &caption, const QString &folder, const QStringList &filters)
{
    QString answer;
    if (AnsweredWithoutDialog(caption, folder, filters, answer))
        return answer;
    QFileDialog dialog(parent, caption, folder);
    dialog.setObjectName(QStringLiteral("OpenFileDialog"));
    dialog.setNameFilters(filters);
    // A name typed without an ending finds the file with the filter's.
    dialog.setDefaultSuffix(Endings(filters.value(0)).value(0));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString SaveFileName(QWidget *parent, const QString &caption, const QString &suggested, const QStringList &filters,
                     QString *chosenFilter)
{
    QString answer;
    if (AnsweredWithoutDialog(caption, suggested, filters, answer)) {
        if (chosenFilter)
            *chosenFilter = FilterOf(answer, filters);
        return answer;
    }
    QFileDialog dialog(parent, caption, suggested);
    dialog.setObjectName(QStringLiteral("SaveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    // A name typed without an ending gets the one of the chosen kind.
    const auto follow = [&dialog](const QString &filter) { dialog.setDefaultSuffix(Endings(filter).value(0)); };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    const QString first = FilterOf(suggested, filters);
    dialog.selectNameFilter(first);
    follow(first);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

void SetUnattended(bool on)
{
    unattended = on;
    nextNames.clear();
}

void SetNextFileName(const QString &path)
{
    nextNames.enqueue(path);
}

QList<TAsked> &Asked()
{
    return asked;
}

} // namespace FileDialog
