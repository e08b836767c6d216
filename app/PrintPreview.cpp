#include "app/PrintPreview.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <utility>

namespace PrintPreview {

namespace {

QString nextPdfFile;

} // namespace

void Show(QPrinter &printer, QWidget *parent, const QString &title, const std::function<void(QPrinter &)> &paint)
{
    if (!nextPdfFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(std::exchange(nextPdfFile, QString()));
        paint(printer);
        return;
    }
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter *target) { paint(*target); });
    preview.exec();
}

void SetNextPdfFile(const QString &path)
{
    nextPdfFile = path;
}

} // namespace PrintPreview
