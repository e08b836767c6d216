#pragma once

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

// The program's print preview, from which the user prints.
//
// Tests print without a dialog: the next preview is not shown and its pages
// go to the PDF file set with SetNextPdfFile, as printing to a file would.
namespace PrintPreview {

// Shows the preview of what `paint` draws on the printer, titled `title`.
// `paint` runs for every preview and print, so each shows the content as it
// is then.
void Show(QPrinter &printer, QWidget *parent, const QString &title, const std::function<void(QPrinter &)> &paint);

void SetNextPdfFile(const QString &path);

} // namespace PrintPreview
