#include "app/ChartExport.h"

#include "app/BuildInfo.h"
#include "app/FileDialog.h"
#include "app/MessageBox.h"
#include "app/PrintPreview.h"
#include "core/CountText.h"
#include "chart/ChartRender.h"
#include "chart/VexelCtrl.h"
#include "core/FileAccess.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace ChartExport {

namespace {

const QString PngFilter = QStringLiteral("PNG 图片 (*.png)");
const QString PdfFilter = QStringLiteral("PDF 文档 (*.pdf)");
const QString DocumentTitle = QStringLiteral("规律图表");

// Pages: A4 with 10 mm margins, the printer's or the reader's choice otherwise.
const QMarginsF PageMargins(10, 10, 10, 10);

bool Fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QString CannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), reason);
}

bool IsPdfPath(const QString &path)
{
    return QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool ExportChartImage(const TVexelRegNet &chart, const QString &path, QString *error)
{
    const ChartRender::TExportRange range = ChartRender::ExportRange(chart);
    const float scale = ChartRender::ImageScale(chart.Grid(), range, ImageScale);
    if (scale <= 0.0f)
        return Fail(error, QStringLiteral("图表太长（%1 行），无法保存为图片。\n"
                                          "请导出为 PDF 文档，或选中一条较短的规律。")
                               .arg(CountText(range.DataRows())));
    const QImage image = ChartRender::RenderImage(chart, range, scale);
    if (image.isNull())
        return Fail(error, QStringLiteral("内存不足，无法生成图表图片。"));

    // Encoded in memory first (the picture is far larger than its PNG): a
    // write that fails half way through the encoder would leave it unwound.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return Fail(error, CannotWrite(path, QStringLiteral("图片编码失败")));
    // Through the checked write: a full disk leaves the earlier file, not a
    // cut-off picture that no viewer can read.
    QString reason;
    if (!FileAccess::WriteAtomically(path, png, reason))
        return Fail(error, CannotWrite(path, reason));
    return true;
}

bool ExportChartPdf(const TVexelRegNet &chart, const QString &path, QString *error)
{
    const auto paint = [&chart](QIODevice &device) {
        QPdfWriter writer(&device);
        writer.setResolution(ChartRender::PageDpi);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(PageMargins, QPageLayout::Millimeter);
        writer.setTitle(DocumentTitle);
        writer.setCreator(BuildInfo::ProductTitle());
        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        const bool painted = ChartRender::PaintPages(chart, painter, writer, ChartRender::ExportRange(chart));
        return painter.end() && painted;
    };
    QString reason;
    if (!FileAccess::WriteDeviceAtomically(path, paint, reason))
        return Fail(error, CannotWrite(path, reason.isEmpty() ? QStringLiteral("无法生成 PDF 页面") : reason));
    return true;
}

bool ExportChartFile(const TVexelRegNet &chart, const QString &path, QString *error)
{
    return IsPdfPath(path) ? ExportChartPdf(chart, path, error) : ExportChartImage(chart, path, error);
}

void PrintChart(const TVexelRegNet &chart, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(DocumentTitle);
    printer.setCreator(BuildInfo::ProductTitle());
    printer.setPageMargins(PageMargins, QPageLayout::Millimeter);
    // Every request paints the chart as it is then, so the preview and the
    // print show the same rows.
    PrintPreview::Show(printer, parent, QStringLiteral("打印预览 - 规律图表"), [&chart, parent](QPrinter &target) {
        QPainter painter;
        if (!painter.begin(&target)) {
            MessageBox::Warn(parent, QStringLiteral("无法打印图表：打印机没有准备好，或者无法写入打印到的文件。"));
            return;
        }
        ChartRender::PaintPages(chart, painter, target, ChartRender::ExportRange(chart));
        painter.end();
    });
}

QString ExportChart(const TVexelRegNet &chart, QWidget *parent, const QString &folder)
{
    QString filter;
    QString path = FileDialog::SaveFileName(
        parent, QStringLiteral("导出图表为图片或 PDF 文档"),
        QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(QStringLiteral("规律图表.png")),
        {PngFilter, PdfFilter}, &filter);
    if (path.isEmpty())
        return {};
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("pdf"))
        path += filter == PdfFilter ? QStringLiteral(".pdf") : QStringLiteral(".png");

    QString error;
    if (!ExportChartFile(chart, path, &error)) {
        MessageBox::Warn(parent, error);
        return {};
    }
    return path;
}

} // namespace ChartExport
