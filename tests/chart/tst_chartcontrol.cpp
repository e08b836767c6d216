// The chart control: layout and scrolling, the keys, typing, the mouse and
// wheel, the pattern it holds and its part of the workspace stream.
#include "tests/chart/ChartTestSupport.h"
#include "core/VexelError.h"

#include <QBuffer>
#include <QDataStream>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <memory>

using namespace ChartGeometry;

namespace {

// Records the beeps and messages the chart gives instead of making them.
class TProbeChart : public TVexelRegNet
{
public:
    using TVexelRegNet::TVexelRegNet;

    int Beeps = 0;
    QStringList Infos;

protected:
    void Beep() override { ++Beeps; }
    void ShowInfo(const QString &text) override { Infos << text; }
};

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EVexelError &e) {
        return e.message();
    }
    return QString();
}

void addDraw(TCodes &draws, const QString &digits)
{
    const int i = draws.Add();
    for (int p = 1; p <= 7; ++p)
        draws.SetNum(p, i, digits[p - 1].digitValue());
}

TVexelReg patternOf100(int steps)
{
    return patternOf(100, 2, {{1, -1}, {3, -2}}, steps, 6);
}

QStringList drawsOf(const TCodes &draws)
{
    QStringList list;
    for (int i = 0; i < draws.Count(); ++i) {
        QString s;
        for (int p = 1; p <= 7; ++p)
            s += QString::number(draws.GetNum(p, i));
        list << s;
    }
    return list;
}

// The chart of a typing_data row: its column count, draws and current cell.
std::unique_ptr<TProbeChart> typingChart()
{
    QFETCH(int, colCount);
    QFETCH(QStringList, draws);
    QFETCH(TCell, start);
    auto chart = chartWith<TProbeChart>(0, colCount);
    for (const QString &d : draws)
        addDraw(chart->Codes(), d);
    chart->Relayout();
    chart->SetCurrentCell(start);
    return chart;
}

// Lets the requests the chart posted to itself run.
void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

QByteArray saved(const TVexelRegNet &chart)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    chart.SaveToStream(s);
    return bytes;
}

void load(TVexelRegNet &chart, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream s(&buffer);
    chart.LoadFromStream(s);
}

void sendWheel(QWidget *w, QPoint angle, Qt::ScrollPhase phase = Qt::NoScrollPhase)
{
    const QPointF pos(w->width() / 2, qMin(100, w->height() / 2));
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, Qt::NoModifier, phase, false);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

class TestChartControl : public QObject
{
    Q_OBJECT

private slots:
    void columnCount();
    void relayoutShowsTheEnd();
    void scrollRequests();
    void scrollBarGoesThroughTheChart();
    void keys_data();
    void keys();
    void keysNotify();
    void typing_data();
    void typing();
    void typingQueued_data();
    void typingQueued();
    void typingOffThePage();
    void undo_data();
    void undo();
    void nonDigitBeeps_data();
    void nonDigitBeeps();
    void mouse();
    void wheel_data();
    void wheel();
    void secIndex();
    void clear();
    void streamSection();
    void streamSectionDamaged();
    void infoMessages();
};

void TestChartControl::columnCount()
{
    auto chart = chartWith<TProbeChart>(20, 10);
    chart->SetColCount(7);
    QCOMPARE(chart->GridWidth(), 339);
    chart->Relayout();
    QCOMPARE(chart->ColTitle(6), QStringLiteral("说明"));

    // The cursor cannot stay on a column that is no longer shown.
    chart->SetColCount(10);
    chart->SetCurrentCell({8, 5});
    chart->SetColCount(7);
    QCOMPARE(chart->CurrentCell().Col, 5);

    QCOMPARE(errorOf([&] { chart->SetColCount(8); }), QStringLiteral("TVexelRegNet.SetColCount Error!"));
    QCOMPARE(chart->ColCount(), 7);
}

void TestChartControl::relayoutShowsTheEnd()
{
    auto chart = chartWith<TProbeChart>(100);
    QCOMPARE(chart->RowsPerPage(), 11);
    QCOMPARE(chart->TopRow(), 90);
    QCOMPARE(chart->ScrollBar()->minimum(), 0);
    QCOMPARE(chart->ScrollBar()->maximum(), 90);
    QCOMPARE(chart->ScrollBar()->value(), 90);

    // Scrolled away, a relayout brings back the end, and the thumb with it.
    chart->VScroll(scPosition, 10);
    QCOMPARE(chart->TopRow(), 10);
    QSignalSpy changes(chart.get(), &TVexelRegNet::OnChange);
    chart->Relayout();
    QCOMPARE(chart->TopRow(), 90);
    QCOMPARE(chart->ScrollBar()->value(), 90);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).value<TVexelRegNet *>(), chart.get());

    // A resize lays out again: 600 pixels give 18 rows per page, and the
    // view lies a row lower so the description block shows whole.
    chart->resize(chart->width(), 600);
    QCOMPARE(chart->RowsPerPage(), 18);
    QCOMPARE(chart->TopRow(), 84);
    QCOMPARE(chart->ScrollBar()->maximum(), 84);
}

void TestChartControl::scrollRequests()
{
    auto chart = chartWith<TProbeChart>(100);
    chart->VScroll(scPosition, 40);
    chart->VScroll(scTrack, -1); // below the range: unchanged
    QCOMPARE(chart->TopRow(), 40);
    QCOMPARE(chart->ScrollBar()->value(), 40);
    // A thumb position past the range stops at its end, with the thumb.
    chart->VScroll(scTrack, 500);
    QCOMPARE(chart->TopRow(), 90);
    QCOMPARE(chart->ScrollBar()->value(), 90);

    // Past 32767: positions are not cut to 16 bits.
    auto big = chartWith<TProbeChart>(40000);
    big->VScroll(scTrack, 35000);
    QCOMPARE(big->TopRow(), 35000);

    // A posted request waits for the current event to finish.
    chart->PostScroll(scTop);
    QCOMPARE(chart->TopRow(), 90);
    settle();
    QCOMPARE(chart->TopRow(), 0);
}

void TestChartControl::scrollBarGoesThroughTheChart()
{
    auto chart = chartWith<TProbeChart>(100);
    QScrollBar *bar = chart->ScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(chart->TopRow(), 89);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(chart->TopRow(), 78);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(chart->TopRow(), 0);
    bar->setSliderPosition(30); // a thumb drag
    QCOMPARE(chart->TopRow(), 30);
    QCOMPARE(bar->value(), 30);
}

void TestChartControl::keys_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<int>("top");        // scrolled here first; -1 leaves the end on show
    QTest::addColumn<TCell>("start");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<TCell>("cell");
    QTest::addColumn<int>("expectedTop");

    // 100 draws, 11 rows per page: at the end the page shows 90 to 100.
    for (int cols : {10, 7}) {
        const int last = cols - 2;
        const QByteArray n = QByteArray::number(cols) + " cols: ";
        QTest::newRow(n + "down from the page bottom scrolls")
            << cols << 80 << TCell{4, 90} << QList<int>{Qt::Key_Down} << TCell{4, 91} << 81;
        QTest::newRow(n + "up from the top row scrolls")
            << cols << 80 << TCell{4, 80} << QList<int>{Qt::Key_Up} << TCell{4, 79} << 79;
        QTest::newRow(n + "right wraps below the page")
            << cols << 80 << TCell{last, 90} << QList<int>{Qt::Key_Right} << TCell{2, 91} << 81;
        QTest::newRow(n + "left wraps above the page")
            << cols << 80 << TCell{2, 80} << QList<int>{Qt::Key_Left} << TCell{last, 79} << 79;
        QTest::newRow(n + "page down") << cols << 50 << TCell{4, 55} << QList<int>{Qt::Key_PageDown} << TCell{4, 55} << 61;
        QTest::newRow(n + "page up") << cols << 50 << TCell{4, 55} << QList<int>{Qt::Key_PageUp} << TCell{4, 55} << 39;
        QTest::newRow(n + "home shows the first draws") << cols << -1 << TCell{4, 95} << QList<int>{Qt::Key_Home} << TCell{4, 95} << 0;
        QTest::newRow(n + "end shows the last draws") << cols << 10 << TCell{4, 15} << QList<int>{Qt::Key_End} << TCell{2, 99} << 90;
        // Off the page, a move brings the cell back into view.
        QTest::newRow(n + "down off the page") << cols << -1 << TCell{4, 95}
                                               << QList<int>{Qt::Key_PageUp, Qt::Key_Down} << TCell{4, 96} << 86;
        QTest::newRow(n + "up off the page") << cols << -1 << TCell{4, 95}
                                             << QList<int>{Qt::Key_Home, Qt::Key_Up} << TCell{4, 94} << 84;
    }
}

void TestChartControl::keys()
{
    QFETCH(int, colCount);
    QFETCH(int, top);
    QFETCH(TCell, start);
    QFETCH(QList<int>, keys);

    auto chart = chartWith<TProbeChart>(100, colCount);
    if (top >= 0)
        chart->VScroll(scPosition, top);
    chart->SetCurrentCell(start);
    for (int key : keys) {
        QTest::keyClick(chart.get(), Qt::Key(key));
        settle();
    }
    QTEST(chart->CurrentCell(), "cell");
    QTEST(chart->TopRow(), "expectedTop");
    QCOMPARE(chart->ScrollBar()->value(), chart->TopRow());
}

void TestChartControl::keysNotify()
{
    auto chart = chartWith<TProbeChart>(10);
    QSignalSpy changes(chart.get(), &TVexelRegNet::OnChange);
    QTest::keyClick(chart.get(), Qt::Key_Up);
    QTest::keyClick(chart.get(), Qt::Key_F2);
    QTest::keyClick(chart.get(), Qt::Key_Shift);
    QCOMPARE(changes.count(), 3);
}

void TestChartControl::typing_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<TCell>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<TCell>("cell");

    QTest::newRow("one digit on an empty chart") << 10 << QStringList() << TCell{2, 0} << "7"
                                                 << QStringList{"7000000"} << TCell{3, 0};
    QTest::newRow("a whole draw on the entry row") << 10 << QStringList() << TCell{2, 0} << "1234567"
                                                   << QStringList{"1234567"} << TCell{2, 1};
    QTest::newRow("the next digit starts the next draw") << 10 << QStringList() << TCell{2, 0} << "12345678"
                                                         << QStringList{"1234567", "8000000"} << TCell{3, 1};
    QTest::newRow("7 cols: the fourth digit wraps") << 7 << QStringList() << TCell{2, 0} << "12345"
                                                    << QStringList{"1234000", "5000000"} << TCell{3, 1};
    QTest::newRow("editing a draw") << 10 << QStringList{"1111111", "2222222"} << TCell{4, 0} << "98"
                                    << QStringList{"1198111", "2222222"} << TCell{6, 0};
    QTest::newRow("the last digit moves to the next draw") << 10 << QStringList{"1111111", "2222222"} << TCell{8, 0}
                                                            << "5" << QStringList{"1111115", "2222222"} << TCell{2, 1};
    QTest::newRow("on the entry row, typing starts at A") << 10 << QStringList{"1111111"} << TCell{2, 1} << "3"
                                                           << QStringList{"1111111", "3000000"} << TCell{3, 1};
}

void TestChartControl::typing()
{
    QFETCH(QString, typed);
    auto chart = typingChart();
    for (QChar ch : typed) {
        QTest::keyClick(chart.get(), ch.toLatin1());
        settle();
    }
    QTEST(drawsOf(chart->Codes()), "expected");
    QTEST(chart->CurrentCell(), "cell");
    // The value column follows the digits A to D.
    for (int i = 0; i < chart->Codes().Count(); ++i) {
        const TCode c = chart->Codes().GetCode(i);
        QCOMPARE(c[0], c[1] + c[2] + c[3] + c[4]);
    }
    QCOMPARE(chart->Beeps, 0);
}

void TestChartControl::typingQueued_data()
{
    typing_data();
}

void TestChartControl::typingQueued()
{
    // Every key is queued before the first is handled, as a busy program
    // receives a fast typist's keys: each digit must still get its own cell.
    QFETCH(QString, typed);
    auto chart = typingChart();
    for (QChar ch : typed) {
        const int key = Qt::Key_0 + ch.digitValue();
        QCoreApplication::postEvent(chart.get(), new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(ch)));
        QCoreApplication::postEvent(chart.get(), new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch)));
    }
    QCoreApplication::processEvents();
    QTEST(drawsOf(chart->Codes()), "expected");
    QTEST(chart->CurrentCell(), "cell");
}

void TestChartControl::typingOffThePage()
{
    // The digit goes to the current cell, and the view comes back to it.
    auto chart = chartWith<TProbeChart>(100);
    chart->SetCurrentCell({2, 95});
    chart->VScroll(scTop);
    QTest::keyClick(chart.get(), '4');
    settle();
    QCOMPARE(chart->Codes().GetNum(1, 95), 4);
    QCOMPARE(chart->CurrentCell(), (TCell{3, 95}));
    QVERIFY(chart->TopRow() <= 95 && 95 <= chart->TopRow() + chart->RowsPerPage() - 1);
}

void TestChartControl::undo_data()
{
    // Keys: a digit, z Ctrl+Z, y Ctrl+Y, Z Ctrl+Shift+Z, r the draws replaced
    // (as an import, a download or an opened workspace replaces them).
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<TCell>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<TCell>("cell");
    const QStringList one{"1111111"};
    QTest::newRow("last digit taken back") << one << TCell{2, 1} << "123z" << QStringList{"1111111", "1200000"}
                                           << TCell{4, 1};
    QTest::newRow("appended draw taken back") << one << TCell{2, 1} << "12zz" << one << TCell{2, 1};
    QTest::newRow("a whole draw and the wrap") << one << TCell{2, 1} << "12345678zz" << QStringList{"1111111", "1234560"}
                                               << TCell{8, 1};
    QTest::newRow("edit of an old draw") << QStringList{"1111111", "2222222"} << TCell{4, 0} << "98zz"
                                         << QStringList{"1111111", "2222222"} << TCell{4, 0};
    QTest::newRow("redo") << one << TCell{2, 1} << "12zzyy" << QStringList{"1111111", "1200000"} << TCell{4, 1};
    QTest::newRow("Ctrl+Shift+Z redoes") << one << TCell{2, 1} << "12zZ" << QStringList{"1111111", "1200000"}
                                         << TCell{4, 1};
    QTest::newRow("typing drops the redo") << one << TCell{2, 1} << "12z3y" << QStringList{"1111111", "1300000"}
                                           << TCell{4, 1};
    QTest::newRow("nothing to take back") << one << TCell{2, 0} << "zy" << one << TCell{2, 0};
    QTest::newRow("replaced draws start afresh") << one << TCell{2, 1} << "12rzz" << one << TCell{4, 1};
}

void TestChartControl::undo()
{
    // Every key is queued before the first is handled.
    QFETCH(QString, keys);
    QFETCH(QStringList, draws);
    auto chart = chartWith<TProbeChart>(0, 10);
    for (const QString &d : draws)
        addDraw(chart->Codes(), d);
    chart->Relayout();
    QFETCH(TCell, start);
    chart->SetCurrentCell(start);
    auto post = [&chart](int key, Qt::KeyboardModifiers mods, const QString &text) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(chart.get(), new QKeyEvent(type, key, mods, text));
    };
    for (QChar ch : keys) {
        if (ch.isDigit())
            post(Qt::Key_0 + ch.digitValue(), Qt::NoModifier, QString(ch));
        else if (ch == u'r')
            QMetaObject::invokeMethod(chart.get(), [&chart, &draws] {
                chart->ReplaceDraws([&draws](TCodes &codes) {
                    codes.Clear();
                    for (const QString &d : draws)
                        addDraw(codes, d);
                });
            }, Qt::QueuedConnection);
        else
            post(ch == u'y' ? Qt::Key_Y : Qt::Key_Z,
                 ch == u'Z' ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier,
                 QString(QChar(ch == u'y' ? 0x19 : 0x1A)));
    }
    QCoreApplication::processEvents();
    QTEST(drawsOf(chart->Codes()), "expected");
    QTEST(chart->CurrentCell(), "cell");
    QCOMPARE(chart->Beeps, 0);
}

void TestChartControl::nonDigitBeeps_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");

    QTest::newRow("letter") << int(Qt::Key_A) << "a";
    QTest::newRow("full-width digit") << int(Qt::Key_unknown) << QString(QChar(0xFF11));
}

void TestChartControl::nonDigitBeeps()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    auto chart = chartWith<TProbeChart>(3);
    chart->SetCurrentCell({4, 1});
    const QStringList before = drawsOf(chart->Codes());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(chart.get(), &press);
    settle();
    QCOMPARE(chart->Beeps, 1);
    QCOMPARE(drawsOf(chart->Codes()), before);
    QCOMPARE(chart->CurrentCell(), (TCell{4, 1}));
}

void TestChartControl::mouse()
{
    auto chart = chartWith<TProbeChart>(100); // the page starts at draw 90
    const auto click = [&](QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        chart->SetCurrentCell({4, 92});
        QTest::mouseClick(chart.get(), button, Qt::NoModifier, p);
        return chart->CurrentCell();
    };
    QCOMPARE(click({200, 31 + 3 * 29 + 5}), (TCell{4, 93}));
    QCOMPARE(click({200, 10}), (TCell{4, 92}));  // header
    QCOMPARE(click({400, 40}), (TCell{4, 92}));  // note column
    QCOMPARE(click({135, 40}), (TCell{4, 92}));  // grid line
    QCOMPARE(click({200, 40}, Qt::RightButton), (TCell{4, 92}));

    // On a short list, a page row below the entry row gives the entry row.
    auto shortChart = chartWith<TProbeChart>(3);
    QTest::mouseClick(shortChart.get(), Qt::LeftButton, Qt::NoModifier, {200, 31 + 6 * 29 + 5});
    QCOMPARE(shortChart->CurrentCell(), (TCell{4, 3}));
}

void TestChartControl::wheel_data()
{
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("expectedTop");
    QTest::addColumn<bool>("onScrollBar");

    QTest::newRow("up") << QPoint(0, 120) << int(Qt::NoScrollPhase) << 49 << false;
    QTest::newRow("down") << QPoint(0, -120) << int(Qt::NoScrollPhase) << 51 << false;
    QTest::newRow("delta 0 scrolls down") << QPoint(0, 0) << int(Qt::NoScrollPhase) << 51 << false;
    QTest::newRow("sideways") << QPoint(120, 0) << int(Qt::NoScrollPhase) << 50 << false;
    QTest::newRow("end of a touchpad gesture") << QPoint(0, 0) << int(Qt::ScrollEnd) << 50 << false;
    // The chart's own scroll bar moves one line per notch too, not the
    // system's three.
    QTest::newRow("up on the scroll bar") << QPoint(0, 120) << int(Qt::NoScrollPhase) << 49 << true;
    QTest::newRow("down on the scroll bar") << QPoint(0, -120) << int(Qt::NoScrollPhase) << 51 << true;
}

void TestChartControl::wheel()
{
    QFETCH(QPoint, angle);
    QFETCH(int, phase);
    QFETCH(bool, onScrollBar);
    auto chart = chartWith<TProbeChart>(100);
    chart->VScroll(scPosition, 50);
    QWidget *target = onScrollBar ? static_cast<QWidget *>(chart->ScrollBar()) : chart.get();
    sendWheel(target, angle, Qt::ScrollPhase(phase));
    settle();
    QTEST(chart->TopRow(), "expectedTop");
}

void TestChartControl::secIndex()
{
    auto chart = chartWith<TProbeChart>(100);
    TVexelReg reg = patternOf100(5);
    chart->SetReg(reg);
    reg.Clear(); // the chart keeps its own copy
    QCOMPARE(chart->Reg().StepCount(), 5);
    QCOMPARE(chart->Reg().Line(0).Count(), 2);
    chart->SetSecIndex(4);
    QCOMPARE(chart->SecIndex(), 4);
    QCOMPARE(errorOf([&] { chart->SetSecIndex(5); }), QStringLiteral("TCodeNet.SetSecIndex Error!"));
    QCOMPARE(chart->SecIndex(), 4);
    chart->SetReg(patternOf100(3));
    QCOMPARE(chart->SecIndex(), -1);

    TVexelRegNet empty;
    QCOMPARE(errorOf([&] { empty.SetSecIndex(0); }), QStringLiteral("TCodeNet.SetSecIndex Error!"));
}

void TestChartControl::clear()
{
    auto chart = chartWith<TProbeChart>(100);
    chart->SetReg(patternOf100(5));
    chart->SetSecIndex(2);
    chart->SetCurrentCell({6, 95});
    chart->Clear();
    QCOMPARE(chart->Codes().Count(), 0);
    QCOMPARE(chart->Reg().StepCount(), 0);
    QCOMPARE(chart->SecIndex(), -1);
    QCOMPARE(chart->TopRow(), 0);
    QCOMPARE(chart->ScrollBar()->maximum(), 0);
    QCOMPARE(chart->CurrentCell(), (TCell{6, 0}));
}

void TestChartControl::streamSection()
{
    TVexelRegNet chart;
    QCOMPARE(saved(chart), QByteArray::fromHex("0100000000000000"));

    auto filled = chartWith<TProbeChart>(3);
    QCOMPARE(saved(*filled).size(), 104);

    // Reading replaces the draws and empties the pattern; nothing else is stored.
    filled->SetReg(patternOf100(4));
    load(*filled, QByteArray::fromHex("0100000000000000"));
    QCOMPARE(filled->Codes().Count(), 0);
    QCOMPARE(filled->Reg().StepCount(), 0);
    QCOMPARE(filled->TopRow(), 0);

    auto source = chartWith<TProbeChart>(25);
    load(*filled, saved(*source));
    QCOMPARE(drawsOf(filled->Codes()), drawsOf(source->Codes()));
    QCOMPARE(filled->TopRow(), 15);
    QCOMPARE(saved(*filled), saved(*source));
}

void TestChartControl::streamSectionDamaged()
{
    auto chart = chartWith<TProbeChart>(30);
    QCOMPARE(errorOf([&] { load(*chart, QByteArray::fromHex("01000000ffffffff")); }),
             QStringLiteral("TCodes.SetCount NewCount is not valid!"));
    QCOMPARE(chart->Codes().Count(), 0);
    QCOMPARE(chart->TopRow(), 0);
    QCOMPARE(chart->ScrollBar()->maximum(), 0);
    QCOMPARE(chart->CurrentCell().Row, 0);
}

void TestChartControl::infoMessages()
{
    TProbeChart chart;
    QCOMPARE(chart.LeftOfCol(10), 463);
    QVERIFY(chart.Infos.isEmpty());
    chart.LeftOfCol(11);
    QCOMPARE(chart.Infos, QStringList{"ACol>Length(FColWidthArr)"});
    chart.Infos.clear();
    QCOMPARE(chart.RectOfCell(1, 9, false, -1), (TGridRect{382, 31, 462, 59}));
    QVERIFY(chart.Infos.isEmpty());
    QVERIFY(chart.RectOfCell(1, 10, false, -1).IsEmpty());
    QCOMPARE(chart.Infos, QStringList{"RectOfCell ACol>Length(FColWidthArr)"});
}

QTEST_MAIN(TestChartControl)
#include "tst_chartcontrol.moc"
