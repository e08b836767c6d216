#pragma once

// The chart on paper and in files: a print with a preview, a PNG picture and
// a PDF document, each showing the draws from the oldest row the selected
// pattern touches (or from the first row in view when none is shown) through
// the entry row and the description block below it.
//
// Files are written whole or not at all: a failure leaves any earlier file of
// the name as it was and no partial file behind.

#include <QString>

class QWidget;
class TVexelRegNet;

namespace ChartExport {

// A PNG shows the chart at twice the screen's scale, sharp when zoomed or
// printed; a run too long for that is drawn smaller, down to the screen's scale.
constexpr float ImageScale = 2.0f;

// Writes the chart as a PNG picture. False on failure, with the reason in
// Chinese in *error.
bool ExportChartImage(const TVexelRegNet &chart, const QString &path, QString *error = nullptr);

// Writes the chart as a PDF document of A4 pages, the grid across the page
// width, the header row on every page.
bool ExportChartPdf(const TVexelRegNet &chart, const QString &path, QString *error = nullptr);

// Writes a PDF when the path ends in ".pdf" (any case), a PNG otherwise.
bool ExportChartFile(const TVexelRegNet &chart, const QString &path, QString *error = nullptr);

// Opens the print preview of the chart; printing starts from there.
void PrintChart(const TVexelRegNet &chart, QWidget *parent);

// Asks for a PNG or PDF file name, starting in `folder`, and writes the chart
// there; a failure is shown in a message box. Returns the path written, or
// an empty string when the user cancelled or the write failed.
QString ExportChart(const TVexelRegNet &chart, QWidget *parent, const QString &folder = QString());

} // namespace ChartExport
