// Draw list, point list and pattern record: exact messages, stream forms,
// growth, derived sums, list texts and the shortest-order rule.
#include "tests/support/DrawsOf.h"
#include "core/ExtList.h"
#include "core/Hao.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"

#include <QBuffer>
#include <QDataStream>
#include <QtTest>
#include <functional>

Q_DECLARE_METATYPE(TPoint)

namespace {

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EVexelError &e) {
        return e.message();
    }
    return QString();
}

template <typename T>
QByteArray save(const T &object)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    object.SaveToStream(s);
    return bytes;
}

template <typename T>
void load(T &object, const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QDataStream s(&buffer);
    object.LoadFromStream(s);
}

QList<TPoint> pointsOf(const TPointList &list)
{
    QList<TPoint> points;
    for (int i = 0; i < list.Count(); ++i)
        points << list.Get(i);
    return points;
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT

private slots:
    void codesErrors_data();
    void codesErrors();
    void codesDerivedSum();
    void codesChangedFlag();
    void codesStream();
    void codesStreamDamaged_data();
    void codesStreamDamaged();

    void pointListErrors_data();
    void pointListErrors();
    void pointListGrowth();
    void pointListOperations();
    void pointListStream();

    void regTexts();
    void regLineValue();
    void regShortestOrder_data();
    void regShortestOrder();
    void regStreamRoundTrip();
    void regStepBlock_data();
    void regStepBlock();
    void regAssign();
};

void TestModel::codesErrors_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("message");
    QTest::newRow("GetCode on empty") << 0 << "TCodes.GeTCode Err!";
    QTest::newRow("SetNum 10") << 1 << "SetNum Err!";
    QTest::newRow("SetNum -1") << 2 << "SetNum Err!";
    QTest::newRow("SetNum position 8") << 3 << "SetNum Err!";
    QTest::newRow("GetNum position 8") << 4 << "TCodes.GetNum Err!";
    QTest::newRow("GetNum index -1") << 5 << "TCodes.GetNum Err!";
    QTest::newRow("SetCount -1") << 6 << "TCodes.SetCount NewCount is not valid!";
    QTest::newRow("SetCode past end") << 7 << "SetCode Err!";
    QTest::newRow("Assign other class") << 8 << "TCodes.Assign Source isnot valid!";
    QTest::newRow("AssignTo other class") << 9 << "TCodes.AssignTo Dest isnot valid!";
}

void TestModel::codesErrors()
{
    QFETCH(int, op);
    QFETCH(QString, message);
    TCodes draws;
    if (op != 0)
        draws = drawsOf({"1234567"});
    const QByteArray before = save(draws);
    TPointList other;
    const std::function<void()> ops[] = {
        [&] { draws.GetCode(0); },
        [&] { draws.SetNum(1, 0, 10); },
        [&] { draws.SetNum(1, 0, -1); },
        [&] { draws.SetNum(8, 0, 1); },
        [&] { draws.GetNum(8, 0); },
        [&] { draws.GetNum(1, -1); },
        [&] { draws.SetCount(-1); },
        [&] { draws.SetCode(1, TCode{}); },
        [&] { draws.Assign(other); },
        [&] { draws.AssignTo(other); },
    };
    QCOMPARE(errorOf(ops[op]), message);
    QCOMPARE(save(draws), before);
}

void TestModel::codesDerivedSum()
{
    TCodes draws;
    QCOMPARE(draws.Add(), 0);
    QCOMPARE(draws.GetCode(0), TCode{});
    draws.SetNum(1, 0, 7);
    draws.SetNum(2, 0, 8);
    draws.SetNum(3, 0, 9);
    draws.SetNum(4, 0, 9);
    QCOMPARE(draws.GetNum(0, 0), 33);
    draws.SetNum(5, 0, 9);
    QCOMPARE(draws.GetNum(0, 0), 33);
    draws.SetNum(0, 0, 5); // the sum is derived: a direct write does not last
    QCOMPARE(draws.GetNum(0, 0), 33);
    draws.SetCode(0, TCode{99, 1, 2, 3, 4, 5, 6, 7});
    QCOMPARE(draws.GetNum(0, 0), 10);
}

void TestModel::codesChangedFlag()
{
    TCodes draws = drawsOf({"1234567", "7654321"});
    load(draws, save(draws));
    QVERIFY(!draws.Changed());
    draws.SetCode(1, draws.GetCode(1)); // an equal record changes nothing
    QVERIFY(!draws.Changed());
    draws.SetCount(2);
    QVERIFY(!draws.Changed());
    draws.SetCount(3);
    QVERIFY(draws.Changed());

    TCodes copy;
    load(copy, save(draws));
    copy.Assign(draws);
    QVERIFY(copy.Changed());
    QCOMPARE(draws.IndexState(3), 1);
    QCOMPARE(draws.IndexState(-1), 2);
    QCOMPARE(draws.IndexState(4), 2);
    QCOMPARE(draws.IndexState(0), 0);
}

void TestModel::codesStream()
{
    QCOMPARE(save(TCodes()).size(), 8);
    const TCodes three = drawsOf({"0381295", "1111111", "9999999"});
    const QByteArray bytes = save(three);
    QCOMPARE(bytes.size(), 104);
    // first number 1, count 3, then record 0 position 0 = 0+3+8+1 = 12
    QCOMPARE(bytes.left(12), QByteArray::fromHex("01000000" "03000000" "0c000000"));
    TCodes back;
    load(back, bytes);
    QCOMPARE(back.Count(), 3);
    QCOMPARE(back.FirstNumber(), 1);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(back.GetCode(i), three.GetCode(i));
    QCOMPARE(save(back), bytes);
}

void TestModel::codesStreamDamaged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("message");
    QTest::newRow("negative count") << QByteArray::fromHex("01000000ffffffff") << 0
                                    << "TCodes.SetCount NewCount is not valid!";
    QTest::newRow("ends early") << QByteArray::fromHex("0100000002000000" "05000000") << 2 << "";
    QTest::newRow("absurd count") << QByteArray::fromHex("01000000ffffff7f") << 0
                                  << "TCodes.SetCount NewCount is not valid!";
}

void TestModel::codesStreamDamaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QString, message);
    TCodes draws = drawsOf({"1234567"});
    QCOMPARE(errorOf([&] { load(draws, bytes); }), message);
    QCOMPARE(draws.Count(), count);
    if (count == 2) {
        QCOMPARE(draws.GetNum(0, 0), 5);
        QCOMPARE(draws.GetNum(1, 0), 0);
        QCOMPARE(draws.GetCode(1), TCode{});
    }
}

void TestModel::pointListErrors_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("message");
    QTest::newRow("Get -1") << 0 << "TPointList.Get Index isnot valid!";
    QTest::newRow("Get count") << 1 << "TPointList.Get Index isnot valid!";
    QTest::newRow("Put count") << 2 << "TPointList.Put Index isnot valid!";
    QTest::newRow("Delete count") << 3 << "TPointList.Delete Index isnot valid!";
    QTest::newRow("SetCount too big") << 4 << "TPointList.SetCount NewCount isnot valid!";
    QTest::newRow("SetCount -1") << 5 << "TPointList.SetCount NewCount isnot valid!";
    QTest::newRow("SetCapacity below count") << 6 << "TPointList.SetCapacity NewCapacity isnot valid!";
    QTest::newRow("Assign other class") << 7 << "TPointList.Assign Source isnot valid!";
    QTest::newRow("AssignTo other class") << 8 << "TPointList.AssignTo Dest isnot valid!";
}

void TestModel::pointListErrors()
{
    QFETCH(int, op);
    QFETCH(QString, message);
    TPointList list;
    list.Add({1, -1});
    list.Add({2, -2});
    TCodes other;
    const std::function<void()> ops[] = {
        [&] { list.Get(-1); },
        [&] { list.Get(2); },
        [&] { list.Put(2, {}); },
        [&] { list.Delete(2); },
        [&] { list.SetCount(134217728); },
        [&] { list.SetCount(-1); },
        [&] { list.SetCapacity(1); },
        [&] { list.Assign(other); },
        [&] { list.AssignTo(other); },
    };
    QCOMPARE(errorOf(ops[op]), message);
    QCOMPARE(pointsOf(list), (QList<TPoint>{{1, -1}, {2, -2}}));
    QCOMPARE(list.Capacity(), 4);
}

void TestModel::pointListGrowth()
{
    TPointList list;
    QList<int> capacities;
    int last = -1;
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(list.Add({i, -i}), i);
        if (list.Capacity() != last)
            capacities << (last = list.Capacity());
    }
    QCOMPARE(capacities, (QList<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    list.Clear();
    QCOMPARE(list.Count(), 0);
    QCOMPARE(list.Capacity(), 0);
}

void TestModel::pointListOperations()
{
    TPointList list;
    list.SetCount(3);
    QCOMPARE(list.Capacity(), 3);
    QCOMPARE(pointsOf(list), (QList<TPoint>{{}, {}, {}}));
    list.Put(0, {1, -1});
    list.Put(1, {2, -2});
    list.Put(2, {3, -3});
    list.Delete(2); // the last point: nothing moves, capacity stays
    QCOMPARE(list.Capacity(), 3);
    list.Delete(0);
    QCOMPARE(pointsOf(list), (QList<TPoint>{{2, -2}}));
    TPointList copy;
    copy.Assign(list);
    QCOMPARE(pointsOf(copy), pointsOf(list));
}

void TestModel::pointListStream()
{
    TPointList list;
    list.Add({1, -1});
    list.Add({7, -9});
    const QByteArray bytes = save(list);
    QCOMPARE(bytes, QByteArray::fromHex("02000000" "01000000ffffffff" "07000000f7ffffff"));
    TPointList back;
    back.Add({5, 5});
    load(back, bytes);
    QCOMPARE(pointsOf(back), pointsOf(list));

    QCOMPARE(errorOf([&] { load(back, QByteArray::fromHex("feffffff")); }),
             QString("TPointList.SetCount NewCount isnot valid!"));
    QCOMPARE(back.Count(), 0);
}

void TestModel::regTexts()
{
    TVexelReg reg;
    QCOMPARE(reg.LineCount(), 1);
    QCOMPARE(reg.TargetCount(), qint16(2));
    QCOMPARE(reg.StepCount(), 0);
    QCOMPARE(reg.StepsText(), QString());
    QCOMPARE(-reg.NearestRow(), 1000);
    QCOMPARE(reg.ResultText(), QString());

    reg.AddStep({4}, 6);
    reg.AddStep({1}, 6);
    QCOMPARE(reg.StepCount(), 2);
    QCOMPARE(reg.Value(0, 0), 4);
    QCOMPARE(reg.Value(1, 0), 1);
    QCOMPARE(reg.StepMask(1, 0), quint16(6));
    QCOMPARE(reg.StepsText(), QString("1,4"));
    reg.SetKind(1);
    QCOMPARE(reg.ResultText(), QString("4"));
    reg.SetKind(2);
    QCOMPARE(reg.ResultText(), QString("9"));
    reg.SetKind(0);
    QCOMPARE(reg.ResultText(), QString("49"));

    // No overflow for the values a damaged workspace file can hold;
    // negative values keep what the plain formula gives.
    const QList<QPair<qint32, qint32>> paired{{4, 9}, {-3, 2}, {-20, -5}, {2147483647, 2}, {-2147483647 - 1, -3}};
    for (const auto &[value, digit] : paired)
        QCOMPARE(TVexelReg::PairedDigit(value), digit);

    const QList<QPair<int, QString>> positions{{0, ""}, {1, "H"}, {6, "AB"}, {22, "ABD"}, {30, "ABCD"}, {255, "HABCD"}};
    for (const auto &[mask, text] : positions) {
        reg.SetTargetMask(quint16(mask));
        QCOMPARE(reg.PositionText(), text);
    }

    TVexelReg four;
    for (int v : {5, 2, 9, 7})
        four.AddStep({v}, 6);
    QCOMPARE(four.StepsText(), QString("7,9,2,5"));
    four.Line(0).Add({1, -3});
    four.Line(0).Add({2, -2});
    QCOMPARE(four.PointsText(), QString("2"));
    QCOMPARE(four.NearestRow(), -2);
}

void TestModel::regLineValue()
{
    const TCodes draws = drawsOf({"1234567", "7654321", "1111111"});
    TVexelReg reg;
    reg.Line(0).Add({0, -1}); // the sum column
    reg.Line(0).Add({7, -2});
    reg.Line(0).Add({1, 0});  // at the forecast row: adds nothing
    QCOMPARE(reg.LineValue(3, 0, draws), 4 + 1);
    QCOMPARE(reg.LineValue(2, 0, draws), 22 + 7 + 1);
    QCOMPARE(errorOf([&] { reg.LineValue(1, 0, draws); }), QString("TCodes.GetNum Err!"));
}

void TestModel::regShortestOrder_data()
{
    QTest::addColumn<QList<TPoint>>("points");
    QTest::addColumn<QList<TPoint>>("expected");
    QTest::newRow("4 in a row") << QList<TPoint>{{1, -1}, {3, -1}, {2, -1}, {4, -1}}
                                << QList<TPoint>{{1, -1}, {2, -1}, {3, -1}, {4, -1}};
    QTest::newRow("all equal keeps order") << QList<TPoint>{{2, -2}, {2, -2}, {2, -2}, {2, -2}}
                                           << QList<TPoint>{{2, -2}, {2, -2}, {2, -2}, {2, -2}};
    QTest::newRow("3 points, middle first") << QList<TPoint>{{2, -1}, {1, -1}, {3, -1}}
                                            << QList<TPoint>{{1, -1}, {2, -1}, {3, -1}};
    QTest::newRow("3 points already shortest") << QList<TPoint>{{1, -1}, {2, -2}, {1, -3}}
                                                     << QList<TPoint>{{1, -1}, {2, -2}, {1, -3}};
    QTest::newRow("2 points unchanged") << QList<TPoint>{{5, -1}, {1, -3}}
                                        << QList<TPoint>{{5, -1}, {1, -3}};
    QTest::newRow("5 points unchanged") << QList<TPoint>{{5, -1}, {1, -3}, {2, -1}, {7, -2}, {3, -3}}
                                        << QList<TPoint>{{5, -1}, {1, -3}, {2, -1}, {7, -2}, {3, -3}};
    QTest::newRow("square corners") << QList<TPoint>{{1, -1}, {2, -2}, {1, -2}, {2, -1}}
                                    << QList<TPoint>{{1, -1}, {1, -2}, {2, -2}, {2, -1}};
}

void TestModel::regShortestOrder()
{
    QFETCH(QList<TPoint>, points);
    QFETCH(QList<TPoint>, expected);
    TVexelReg reg;
    for (const TPoint &p : points)
        reg.Line(0).Add(p);
    reg.ShortestOrder();
    QCOMPARE(pointsOf(reg.Line(0)), expected);
}

void TestModel::regStreamRoundTrip()
{
    TVexelReg reg;
    for (const TPoint &p : {TPoint{1, -1}, TPoint{3, -2}, TPoint{0, -3}, TPoint{7, -4}})
        reg.Line(0).Add(p);
    for (int s = 0; s < 12; ++s)
        reg.AddStep({s % 10}, quint16(s == 0 ? 6 : 10));
    reg.SetTargetMask(10);
    reg.SetTargetCount(3);
    reg.SetInterval(5);
    reg.SetDrawCount(2496);
    reg.SetKind(1);
    const QByteArray bytes = save(reg);
    QCOMPARE(bytes.size(), 128);
    TVexelReg back;
    load(back, bytes);
    QCOMPARE(pointsOf(back.Line(0)), pointsOf(reg.Line(0)));
    QCOMPARE(back.Values(), reg.Values());
    QCOMPARE(back.Masks(), reg.Masks());
    QCOMPARE(back.TargetMask(), quint16(10));
    QCOMPARE(back.TargetCount(), qint16(3));
    QCOMPARE(back.Interval(), 5);
    QCOMPARE(back.StepCount(), 12);
    QCOMPARE(back.DrawCount(), 2496);
    QCOMPARE(back.Kind(), 1);
    QCOMPARE(save(back), bytes);

    // A stream that ends inside the values keeps every step readable.
    TVexelReg cut;
    load(cut, bytes.left(70));
    QCOMPARE(cut.StepCount(), 12);
    QCOMPARE(cut.Value(11, 0), 0);
    QCOMPARE(cut.StepsText().count(','), 11);
}

void TestModel::regAssign()
{
    TVexelReg reg;
    reg.Line(0).Add({2, -1});
    reg.AddStep({3}, 12);
    reg.SetInterval(7);
    reg.SetTargetMask(12);
    TVexelReg copy;
    copy.Line(0).Add({9, -9});
    copy.Assign(reg);
    QCOMPARE(save(copy), save(reg));
    TCodes other;
    QCOMPARE(errorOf([&] { copy.Assign(other); }), QString("TVexelReg.Assign Source isnot valid!"));
    QCOMPARE(errorOf([&] { copy.AssignTo(other); }), QString("TVexelReg.AssignTo Dest isnot valid!"));
    QCOMPARE(save(copy), save(reg));
}

// Steps are held in one block that grows with them; every way of filling
// it keeps each value and mask where it belongs.
void TestModel::regStepBlock_data()
{
    QTest::addColumn<int>("steps");
    for (int steps : {1, 16, 17, 33, 1000})
        QTest::addRow("%d steps", steps) << steps;
}

void TestModel::regStepBlock()
{
    QFETCH(int, steps);
    TVexelReg reg;
    reg.Line(0).Add({1, -2});
    std::vector<qint32> values;
    std::vector<quint16> masks;
    for (int s = 0; s < steps; ++s) {
        values.push_back(s % 3 == 0 ? -s * 1000003 : s);
        masks.push_back(quint16(s * 7 + 1));
        reg.AddStep({values.back()}, masks.back());
    }
    QCOMPARE(reg.Values(), values);
    QCOMPARE(reg.Masks(), masks);
    QCOMPARE(reg.Value(steps - 1, 0), values.back());
    QCOMPARE(reg.StepMask(steps - 1, 0), masks.back());
    QCOMPARE(reg.Value(steps, 0), 0);

    TVexelReg copy;
    copy.Assign(reg);
    QCOMPARE(save(copy), save(reg));
    TVexelReg back;
    load(back, save(reg));
    QCOMPARE(back.Values(), values);
    QCOMPARE(back.Masks(), masks);

    // Clear keeps the steps held; the next step is counted after them.
    reg.Clear();
    reg.AddStep({5}, 9);
    QCOMPARE(reg.StepCount(), steps + 1);
    values.push_back(5);
    masks.push_back(9);
    QCOMPARE(reg.Values(), values);
    QCOMPARE(reg.Masks(), masks);
}

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
