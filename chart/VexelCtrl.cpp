#include "chart/VexelCtrl.h"
#include "chart/ChartPalette.h"
#include "core/VexelError.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QUndoStack>
#include <QWheelEvent>

namespace G = ChartGeometry;

namespace {

bool IsTableKey(int key)
{
    switch (key) {
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

bool IsArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

TVexelRegNet::TVexelRegNet(QWidget *parent)
    : QWidget(parent)
{
    FFirstNumber = FDraws.FirstNumber();
    namespace P = ChartPalette;
    FCellColors = {P::HeaderCell, P::IssueCell, P::ValueCell,        P::DigitCell,
                   P::TailDigitCell, P::NoteCell, P::CommentLabelCell, P::CommentCell};

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    QFont face = font();
    face.setFamilies(ChartPalette::FontFamilies());
    face.setStyleHint(QFont::Serif);
    setFont(face);

    FScrollBar = new QScrollBar(Qt::Vertical, this);
    FScrollBar->setFocusPolicy(Qt::NoFocus);
    FScrollBar->setRange(0, 0);
    connect(FScrollBar, &QAbstractSlider::actionTriggered, this, &TVexelRegNet::ScrollBarAction);
    // The bar would scroll several lines per notch on its own; the chart
    // scrolls one line per wheel message wherever it lands.
    FScrollBar->installEventFilter(this);
    BuildUndo();

    G::LayoutColumns(FGrid);
    FColTitles = {QStringLiteral("期"), QStringLiteral("值"), QStringLiteral("A"), QStringLiteral("B"),
                  QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F"),
                  QStringLiteral("G"), QStringLiteral("说明")};
    PlaceScrollBar();
}

// The draw list and the pattern go with the members. No layout or change
// notice is sent from here: the parent may already be half destroyed.
TVexelRegNet::~TVexelRegNet() = default;

void TVexelRegNet::SetColCount(int count)
{
    if (count != 10 && count != 7)
        throw EVexelError(QStringLiteral("TVexelRegNet.SetColCount Error!"));
    FGrid.ColCount = count;
    // Widths follow at once, so GridWidth is right even before the Relayout.
    G::LayoutColumns(FGrid);
    FCurrent = G::BoundCell(FCurrent, FGrid.ColCount, FDraws.Count());
}

void TVexelRegNet::Relayout()
{
    const int count = FDraws.Count();
    G::Relayout(FGrid, height(), count);

    for (int k = 2; k <= 8; ++k)
        FColTitles[size_t(k)] = QString(QChar(u'A' + (k - 2)));
    FColTitles[0] = QStringLiteral("期");
    FColTitles[1] = QStringLiteral("值");
    FColTitles[size_t(FGrid.ColCount - 1)] = QStringLiteral("说明");

    FCurrent = G::RelayoutCell(FCurrent, FGrid, count);

    {
        // The thumb follows the view, so the next scroll request starts from
        // the row on show.
        const QSignalBlocker block(FScrollBar);
        FScrollBar->setRange(0, G::ScrollMax(FGrid, count));
        FScrollBar->setPageStep(qMax(1, FGrid.RowsPerPage));
        FScrollBar->setSingleStep(1);
        FScrollBar->setValue(FGrid.TopRow);
    }
    update();
    Change();
}

int TVexelRegNet::LeftOfCol(int ACol) const
{
    bool beyond = false;
    const int left = G::LeftOfCol(FGrid, ACol, &beyond);
    if (beyond)
        const_cast<TVexelRegNet *>(this)->ShowInfo(QStringLiteral("ACol>Length(FColWidthArr)"));
    return left;
}

int TVexelRegNet::TopOfRow(int ARow, bool relative, int top) const
{
    return G::TopOfRow(FGrid, ARow, relative, top);
}

TVexelRegNet::TGridRect TVexelRegNet::RectOfCell(int ARow, int ACol, bool relative, int top) const
{
    bool beyond = false;
    const TGridRect r = G::RectOfCell(FGrid, ARow, ACol, relative, top, &beyond);
    if (beyond)
        const_cast<TVexelRegNet *>(this)->ShowInfo(QStringLiteral("RectOfCell ACol>Length(FColWidthArr)"));
    return r;
}

int TVexelRegNet::GridWidth() const
{
    return G::GridWidth(FGrid);
}

int TVexelRegNet::GetCell(int ARow, int position) const
{
    const TCode code = FDraws.GetCode(ARow);
    if (!TCodes::PositionValid(position))
        throw EVexelError(QStringLiteral("TCodes.GetNum Err!"));
    return code[size_t(position)];
}

int TVexelRegNet::AppendRow()
{
    const int index = FDraws.Add();
    Relayout();
    FCurrent = {2, index};
    return index;
}

bool TVexelRegNet::CharToDigit(QChar ch, int &digit)
{
    digit = int(ch.unicode()) - 48;
    if (digit >= 0 && digit <= 9)
        return true;
    Beep();
    return false;
}

void TVexelRegNet::SetCurrentCell(TCell cell)
{
    FCurrent = G::BoundCell(cell, FGrid.ColCount, FDraws.Count());
    update();
}

void TVexelRegNet::SetReg(const TVexelReg &reg)
{
    FReg.Assign(reg);
    FSecIndex = -1;
}

void TVexelRegNet::SetSecIndex(int index)
{
    if (index >= FReg.StepCount())
        throw EVexelError(QStringLiteral("TCodeNet.SetSecIndex Error!"));
    if (index != FSecIndex) {
        FSecIndex = index;
        update();
    }
}

void TVexelRegNet::ShowReg(const TVexelReg &reg)
{
    SetReg(reg);
    SetSecIndex(FReg.StepCount() - 1);
    Relayout();
}

void TVexelRegNet::ClearReg()
{
    FReg.Clear();
    FSecIndex = -1;
    update();
}

void TVexelRegNet::ReplaceDraws(const std::function<void(TCodes &)> &rebuild)
{
    FReg.Clear();
    FSecIndex = -1;
    rebuild(FDraws);
    FUndo->clear();
    Relayout();
}

void TVexelRegNet::Clear()
{
    FReg.Clear();
    FSecIndex = -1; // the pattern has no steps left to select
    FDraws.Clear();
    FUndo->clear();
    Relayout();
}

void TVexelRegNet::LoadFromStream(QDataStream &stream)
{
    // Clear lays the empty chart out first, so a stream that fails half-way
    // leaves a consistent, empty chart behind.
    Clear();
    FDraws.LoadFromStream(stream);
    Relayout();
}

void TVexelRegNet::SaveToStream(QDataStream &stream) const
{
    FDraws.SaveToStream(stream);
}

void TVexelRegNet::VScroll(TScrollCode code, int thumb)
{
    const int target = G::ScrollTarget(code, FScrollBar->value(), FScrollBar->minimum(), FScrollBar->maximum(),
                                       FGrid.RowsPerPage, thumb);
    {
        const QSignalBlocker block(FScrollBar);
        FScrollBar->setValue(target);
    }
    // The bar keeps its position within the range; the view shows what the
    // thumb shows.
    FGrid.TopRow = FScrollBar->value();
    if (FGrid.TopRow < 0)
        throw EVexelError(QStringLiteral("VScroll Error"));
    update();
    setFocus();
}

void TVexelRegNet::PostScroll(TScrollCode code)
{
    QMetaObject::invokeMethod(this, [this, code] { VScroll(code); }, Qt::QueuedConnection);
}

void TVexelRegNet::ScrollBarAction(int action)
{
    // Every move of the bar goes through VScroll; the bar's own move is
    // replaced by the position VScroll sets.
    TScrollCode code = G::scNone;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = G::scLineDown; break;
    case QAbstractSlider::SliderSingleStepSub: code = G::scLineUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = G::scPageDown; break;
    case QAbstractSlider::SliderPageStepSub: code = G::scPageUp; break;
    case QAbstractSlider::SliderToMinimum: code = G::scTop; break;
    case QAbstractSlider::SliderToMaximum: code = G::scBottom; break;
    case QAbstractSlider::SliderMove: code = G::scTrack; break;
    default: return;
    }
    VScroll(code, FScrollBar->sliderPosition());
    FScrollBar->setSliderPosition(FScrollBar->value());
}

void TVexelRegNet::SetTopRow(int row)
{
    {
        const QSignalBlocker block(FScrollBar);
        FScrollBar->setValue(row);
    }
    FGrid.TopRow = FScrollBar->value();
}

void TVexelRegNet::PostEnsureVisible()
{
    QMetaObject::invokeMethod(this, [this] { EnsureCurrentVisible(); }, Qt::QueuedConnection);
}

void TVexelRegNet::EnsureCurrentVisible()
{
    const int rows = FGrid.RowsPerPage;
    if (rows <= 0)
        return;
    if (FCurrent.Row < FGrid.TopRow)
        VScroll(G::scPosition, FCurrent.Row);
    else if (FCurrent.Row > FGrid.TopRow + rows - 1)
        VScroll(G::scPosition, FCurrent.Row - rows + 1);
}

TVexelRegNet::TPosType TVexelRegNet::GetPosType(QPoint point, int &ARow, int &ACol) const
{
    return G::GetPosType(FGrid, ClientRect(), point, ARow, ACol);
}

QSize TVexelRegNet::sizeHint() const
{
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return {GridWidth() + bar + 4, FGrid.Pitch() * 16 + 11};
}

void TVexelRegNet::Change()
{
    emit OnChange(this);
}

void TVexelRegNet::Beep()
{
    QApplication::beep();
}

void TVexelRegNet::ShowInfo(const QString &text)
{
    // Queued, so a message never opens in the middle of a paint or a layout.
    QMetaObject::invokeMethod(
        this, [this, text] { QMessageBox::information(this, QString(), text); }, Qt::QueuedConnection);
}

bool TVexelRegNet::event(QEvent *e)
{
    // The arrow keys belong to the chart: no shortcut of the window takes them.
    if (e->type() == QEvent::ShortcutOverride) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (IsArrowKey(k->key()) && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            e->accept();
            return true;
        }
    }
    return QWidget::event(e);
}

void TVexelRegNet::paintEvent(QPaintEvent *e)
{
    QPainter canvas(this);
    canvas.setClipRect(e->rect());
    // Painted in the screen's own pixels, so that on a scaled screen every
    // grid line is the same whole number of pixels wide.
    const qreal ratio = devicePixelRatioF();
    canvas.scale(1.0 / ratio, 1.0 / ratio);
    const G::TOutputMap map{float(ratio), QPoint(), G::ScreenLineWidth(FGrid, ratio)};
    DrawChart(canvas, FGrid.RowsPerPage, FGrid.TopRow, map);
    DrawCurrentCell(canvas, map);
}

void TVexelRegNet::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    PlaceScrollBar();
    Relayout();
}

void TVexelRegNet::keyPressEvent(QKeyEvent *e)
{
    // With the focus here the short-cuts' key press arrives as a key; a key
    // posted to the chart arrives here in any case.
    if (UndoKey(e)) {
        e->accept();
        return;
    }
    const int key = e->key();
    const bool tableKey = IsTableKey(key);
    if (!tableKey)
        QWidget::keyPressEvent(e);
    KeyDown(key);
    e->accept();
    // The typed character of the key, if any; the table's keys type nothing.
    const QString text = e->text();
    if (!tableKey && !text.isEmpty())
        KeyPress(text.at(0));
}

void TVexelRegNet::KeyDown(int key)
{
    switch (key) {
    case Qt::Key_PageDown:
        PostScroll(G::scPageDown);
        break;
    case Qt::Key_PageUp:
        PostScroll(G::scPageUp);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const G::TKeyMove move = G::NavigateKey(key, FCurrent, FGrid, FDraws.Count());
        FCurrent = move.Cell;
        if (move.Scroll != G::scNone)
            PostScroll(move.Scroll);
        // After the key's own scroll: bring the cell back if it is off the page.
        PostEnsureVisible();
        break;
    }
    case Qt::Key_Home:
        // The view goes to the first draw with the thumb; a relayout here
        // would put it straight back at the end.
        SetTopRow(0);
        break;
    case Qt::Key_End:
        SetTopRow(FScrollBar->maximum());
        Relayout();
        break;
    default:
        break;
    }
    update();
    Change();
}

void TVexelRegNet::KeyPress(QChar ch)
{
    int digit = 0;
    if (!CharToDigit(ch, digit))
        return;
    const int count = FDraws.Count();
    if (FCurrent.Row > count)
        return;
    const bool appended = FCurrent.Row == count;
    const int target = appended ? AppendRow() : FCurrent.Row;
    TCode code = FDraws.GetCode(target);
    const TCell cell{FCurrent.Col, target};
    const int before = code[size_t(cell.Col - 1)];
    code[size_t(cell.Col - 1)] = digit;
    FDraws.SetCode(target, code);
    // The cursor moves on before the next key is read, however many keys are
    // already queued: along the digits, then to column A of the next row.
    KeyDown(Qt::Key_Right);
    RecordTypedDigit(cell, before, digit, appended);
}

void TVexelRegNet::mousePressEvent(QMouseEvent *e)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::LeftButton) {
        int row = 0;
        int col = 0;
        if (GetPosType(e->position().toPoint(), row, col) == G::rtNum)
            FCurrent = G::BoundCell({col, FGrid.TopRow + row}, FGrid.ColCount, FDraws.Count());
        update();
    }
    e->accept();
}

void TVexelRegNet::mouseReleaseEvent(QMouseEvent *e)
{
    QWidget::mouseReleaseEvent(e);
    if (!hasFocus() && rect().contains(e->position().toPoint()))
        setFocus(Qt::MouseFocusReason);
}

void TVexelRegNet::wheelEvent(QWheelEvent *e)
{
    const QPoint delta = e->angleDelta();
    // A sideways turn, and the empty begin/end markers of a touchpad gesture,
    // are not vertical wheel turns.
    if (delta.y() == 0 && (delta.x() != 0 || e->phase() != Qt::NoScrollPhase)) {
        e->ignore();
        return;
    }
    PostScroll(delta.y() > 0 ? G::scLineUp : G::scLineDown);
    e->accept();
}

bool TVexelRegNet::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == FScrollBar && e->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent *>(e));
        return e->isAccepted();
    }
    return QWidget::eventFilter(watched, e);
}

void TVexelRegNet::focusInEvent(QFocusEvent *e)
{
    QWidget::focusInEvent(e);
    update();
}

void TVexelRegNet::focusOutEvent(QFocusEvent *e)
{
    QWidget::focusOutEvent(e);
    update();
}

void TVexelRegNet::PlaceScrollBar()
{
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    FScrollBar->setGeometry(width() - bar, 0, bar, height());
}

TVexelRegNet::TGridRect TVexelRegNet::ClientRect() const
{
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return {0, 0, width() - bar, height()};
}
