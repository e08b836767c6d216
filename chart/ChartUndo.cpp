// Taking back typed digits: one command per digit, the first digit typed on
// the entry row also taking back the draw it appended.
#include "chart/VexelCtrl.h"

#include <QAction>
#include <QKeyEvent>
#include <QUndoCommand>
#include <QUndoStack>

namespace G = ChartGeometry;

class TVexelRegNet::TTypedDigit : public QUndoCommand
{
public:
    TTypedDigit(TVexelRegNet &chart, TCell cell, int before, int after, bool appended, TCell cursorAfter)
        : m_chart(chart), m_cell(cell), m_before(before), m_after(after), m_appended(appended),
          m_cursorAfter(cursorAfter)
    {
    }

    // The digit is in the draws already when the command is pushed.
    void redo() override
    {
        if (m_done) {
            m_done = false;
            return;
        }
        if (m_appended)
            m_chart.FDraws.Add();
        m_chart.SetTypedDigit(m_cell, m_after, m_cursorAfter, m_appended);
    }

    void undo() override
    {
        if (m_appended) {
            // The appended draw is the last one: nothing is typed after it
            // without a command of its own, taken back before this one.
            m_chart.FDraws.SetCount(m_cell.Row);
            m_chart.SetTypedDigit(m_cell, -1, m_cell, true);
        } else {
            m_chart.SetTypedDigit(m_cell, m_before, m_cell, false);
        }
    }

private:
    TVexelRegNet &m_chart;
    const TCell m_cell;
    const int m_before;
    const int m_after;
    const bool m_appended;
    const TCell m_cursorAfter;
    bool m_done = true;
};

void TVexelRegNet::BuildUndo()
{
    FUndo = new QUndoStack(this);
    // The whole window's short-cuts, wherever the focus is in it.
    auto add = [this](QAction *action, const QList<QKeySequence> &keys) {
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    };
    add(FUndo->createUndoAction(this), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    add(FUndo->createRedoAction(this),
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
}

bool TVexelRegNet::UndoKey(const QKeyEvent *e)
{
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Z && mods == Qt::ControlModifier) {
        FUndo->undo();
        return true;
    }
    if ((key == Qt::Key_Y && mods == Qt::ControlModifier) ||
        (key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
        FUndo->redo();
        return true;
    }
    return false;
}

void TVexelRegNet::RecordTypedDigit(TCell cell, int before, int after, bool appended)
{
    FUndo->push(new TTypedDigit(*this, cell, before, after, appended, FCurrent));
}

void TVexelRegNet::SetTypedDigit(TCell cell, int digit, TCell cursor, bool relayout)
{
    if (digit >= 0) {
        TCode code = FDraws.GetCode(cell.Row);
        code[size_t(cell.Col - 1)] = digit;
        FDraws.SetCode(cell.Row, code);
    }
    // A draw added or taken back moves the entry row.
    if (relayout)
        Relayout();
    FCurrent = G::BoundCell(cursor, FGrid.ColCount, FDraws.Count());
    EnsureCurrentVisible();
    update();
    Change();
}
