// The settings dialog and the pattern list's row model.
#include "core/PatternRoom.h"
#include "core/RegColumnText.h"
#include "app/RegListModel.h"
#include "app/VexelOptions.h"
#include "core/VexelReg.h"

#include <QButtonGroup>
#include <QRandomGenerator>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QWheelEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QtTest>

namespace {

QSpinBox *spin(TOptionsForm &form, const char *name)
{
    return form.findChild<QSpinBox *>(QLatin1String(name));
}

TVexelReg *pattern(int points, int steps, int interval, int distance, quint16 mask = 6)
{
    auto *p = new TVexelReg;
    for (int i = 0; i < points; ++i)
        p->Line(0).Add({i + 1, -distance - i % 2});
    for (int s = 0; s < steps; ++s)
        p->AddStep({s % 10}, mask);
    p->SetInterval(interval);
    p->SetTargetMask(mask);
    p->SetKind(1);
    return p;
}

QStringList column(const TRegListModel &m, int c)
{
    QStringList texts;
    for (int r = 0; r < m.rowCount(); ++r)
        texts << m.Text(r, c);
    return texts;
}

} // namespace

class TestOptionsDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsClampedValues_data();
    void showsClampedValues();
    void changesReachWorkingCopy();
    void invertedRangesAccepted();
    void cancelLeavesSettings();
    void spinFieldsRefuseTyping();
    void estimateFollowsValues_data();
    void estimateFollowsValues();

    void rowTexts();
    void addKeepsCaptionOrder();
    void columnSortIsOrdinal();
    void batchAddMatchesSingleAdds();
    void compareRule_data();
    void compareRule();
    void batchInsertsOncePerCaption_data();
    void batchInsertsOncePerCaption();
    void columnSortOfWholeTexts_data();
    void columnSortOfWholeTexts();
    void hugeStepsTextCut();

private:
    std::vector<std::unique_ptr<TVexelReg>> m_owned;
};

void TestOptionsDialog::showsClampedValues_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("distance 0 shows 1") << QByteArray("LinedDistMinSe") << 0 << 1;
    QTest::newRow("distance max 12 shows 9") << QByteArray("LinedDistMaxSe") << 12 << 9;
    QTest::newRow("steps 2 shows 3") << QByteArray("SecCountSe") << 2 << 3;
    QTest::newRow("interval max 20") << QByteArray("InterMaxSe") << 20 << 20;
    QTest::newRow("nearest 7 shows 6") << QByteArray("MaxYOfSecSe") << 7 << 6;
}

void TestOptionsDialog::showsClampedValues()
{
    QFETCH(QByteArray, name);
    QFETCH(int, stored);
    QFETCH(int, shown);
    TRegOptions s;
    const QHash<QByteArray, qint32 TRegOptions::*> fields{
        {"LinedDistMinSe", &TRegOptions::LinedDistMinSe}, {"LinedDistMaxSe", &TRegOptions::LinedDistMaxSe},
        {"SecCountSe", &TRegOptions::SecCountSe}, {"InterMaxSe", &TRegOptions::InterMaxSe},
        {"MaxYOfSecSe", &TRegOptions::MaxYOfSecSe}};
    s.*fields[name] = stored;
    TOptionsForm form;
    form.Load(s);
    QCOMPARE(spin(form, name)->value(), shown);
    QCOMPARE(form.WorkingCopy().*fields[name], shown);
}

void TestOptionsDialog::changesReachWorkingCopy()
{
    TRegOptions s;
    s.userName = QStringLiteral("会员");
    TOptionsForm form;
    form.Load(s);
    QCOMPARE(form.findChild<QLineEdit *>("userNameEd")->text(), QStringLiteral("会员"));
    QVERIFY(form.findChild<QCheckBox *>("RefTailChk")->isChecked());
    form.findChild<QLineEdit *>("userPWEd")->setText("secret & #");
    // The password shows masked.
    QVERIFY(!form.findChild<QLineEdit *>("userPWEd")->displayText().contains("secret"));
    form.findChild<QCheckBox *>("RefSumChk")->setChecked(true);
    form.findChild<QCheckBox *>("RefTailChk")->setChecked(false);
    spin(form, "SecCountSe")->stepBy(3);
    const auto radios = form.findChild<QWidget *>("FallTargetGbx")->findChildren<QRadioButton *>();
    QCOMPARE(radios.size(), 3);
    QCOMPARE(radios[2]->text(), QStringLiteral("四位合"));
    radios[2]->setChecked(true);
    const TRegOptions &c = form.WorkingCopy();
    QCOMPARE(c.userPW, QString("secret & #"));
    QVERIFY(c.RefSumChk);
    QVERIFY(!c.RefTailChk);
    QCOMPARE(c.SecCountSe, 9);
    QCOMPARE(c.FallTargetGbx, 2);
    // Fields without a control keep their values.
    QCOMPARE(c.FallTargetAnyChk, s.FallTargetAnyChk);
    QCOMPARE(c.ClearDupChk, s.ClearDupChk);
    // The hidden controls are never shown.
    form.show();
    QVERIFY(!form.findChild<QWidget *>("SumContrastGbx")->isVisible());
    QVERIFY(!form.findChild<QWidget *>("FallStyleGbx")->isVisible());
    QVERIFY(!spin(form, "RefWidthSe")->isVisible());
}

void TestOptionsDialog::invertedRangesAccepted()
{
    TRegOptions s;
    TOptionsForm form;
    form.Load(s);
    spin(form, "InterMinSe")->setValue(9);
    spin(form, "InterMaxSe")->setValue(1);
    QCOMPARE(form.WorkingCopy().InterMinSe, 9);
    QCOMPARE(form.WorkingCopy().InterMaxSe, 1);
}

void TestOptionsDialog::cancelLeavesSettings()
{
    TRegOptions s;
    TOptionsForm form;
    QTimer::singleShot(0, &form, [&] {
        spin(form, "LinedPtMaxSe")->setValue(9);
        form.findChild<QLineEdit *>("userNameEd")->setText("x");
        form.reject();
    });
    QVERIFY(!form.Execute(s));
    QCOMPARE(s, TRegOptions());
    QTimer::singleShot(0, &form, [&] { form.accept(); });
    QVERIFY(form.Execute(s));
    QCOMPARE(form.WorkingCopy().LinedDistMinSe, 1); // confirmed: the shown value
}

void TestOptionsDialog::spinFieldsRefuseTyping()
{
    TRegOptions s;
    TOptionsForm form;
    form.Load(s);
    QSpinBox *box = spin(form, "LinedPtMinSe");
    box->setFocus();
    QTest::keyClicks(box, "7");
    QCOMPARE(box->value(), 2);
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->value(), 3);
    QCOMPARE(form.WorkingCopy().LinedPtMinSe, 3);
    // Page keys and the wheel, queued as a busy window receives them, change nothing.
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_PageUp})
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    const QPointF at(box->width() / 2, box->height() / 2);
    QCoreApplication::postEvent(box, new QWheelEvent(at, box->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                                                     Qt::NoModifier, Qt::NoScrollPhase, false));
    QCoreApplication::processEvents();
    QCOMPARE(box->value(), 3);
}

void TestOptionsDialog::estimateFollowsValues_data()
{
    QTest::addColumn<int>("maxPoints");
    QTest::addColumn<int>("minSteps");
    QTest::addColumn<qint64>("held");
    QTest::addColumn<QString>("estimate");
    QTest::addColumn<QString>("warning"); // empty: none shown
    QTest::newRow("few") << 4 << 6 << qint64(0) << QStringLiteral("组合数：1,091,058个\n估计规律数：约1300个")
                         << QString();
    QTest::newRow("past the limit") << 6 << 3 << qint64(0)
                                    << QStringLiteral("组合数：171,321,510个\n估计规律数：约2.1亿个")
                                    << QStringLiteral("警告：估计的规律数超过上限3,000,000个");
    QTest::newRow("past it with those held") << 4 << 6 << DefaultPatternLimit - 1000
                                             << QStringLiteral("组合数：1,091,058个")
                                             << QStringLiteral("警告：估计的规律数（连同已有的2,999,000个）超过上限");
}

void TestOptionsDialog::estimateFollowsValues()
{
    // Distances 1-9, both columns, 1 to 4 points, intervals 1-20, nearest
    // 6 back, at least 6 steps, on a history as long as the sample's; then
    // the points and steps change through their controls.
    QFETCH(int, maxPoints);
    QFETCH(int, minSteps);
    QFETCH(qint64, held);
    QFETCH(QString, estimate);
    QFETCH(QString, warning);
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 9;
    s.RefSumChk = true;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = 4;
    s.InterMaxSe = 20;
    s.MaxYOfSecSe = 6;
    TOptionsForm form;
    form.SetSearchContext(2496, held, DefaultPatternLimit);
    form.Load(s);
    spin(form, "LinedPtMaxSe")->setValue(maxPoints);
    spin(form, "SecCountSe")->setValue(minSteps);
    const QString text = form.findChild<QLabel *>("EstimateLbl")->text();
    QVERIFY2(text.startsWith(estimate) && text.contains(QStringLiteral("估计值")), qPrintable(text));
    const QLabel *shown = form.findChild<QLabel *>("EstimateWarningLbl");
    QCOMPARE(!shown->isHidden(), !warning.isEmpty());
    QVERIFY2(shown->text().startsWith(warning), qPrintable(shown->text()));
}

void TestOptionsDialog::rowTexts()
{
    std::unique_ptr<TVexelReg> p(pattern(3, 4, 5, 2, 22));
    const auto texts = TRegListModel::RowTexts(*p);
    QCOMPARE(QStringList(texts.begin(), texts.end()),
             (QStringList{"3", "4", "5", "2", "3,2,1,0", "ABD", "0"}));
    TRegListModel model;
    QCOMPARE(model.columnCount(), 7);
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Vexel合分"));
    QCOMPARE(TRegListModel::ColumnWidths, (std::array<int, 7>{30, 30, 30, 30, 120, 50, 80}));
}

void TestOptionsDialog::addKeepsCaptionOrder()
{
    TRegListModel model;
    for (int points : {3, 2, 4, 2, 10})
        model.AddRegItem(m_owned.emplace_back(pattern(points, points + 3, 1, 1)).get());
    QCOMPARE(column(model, 0), (QStringList{"10", "2", "2", "3", "4"}));
    // Equal captions keep the order they were added in.
    QCOMPARE(column(model, 1), (QStringList{"13", "5", "5", "6", "7"}));
    model.SortByColumn(3 + 0); // by distance, all 1: order unchanged
    model.SortByColumn(1);
    QCOMPARE(column(model, 1), (QStringList{"13", "5", "5", "6", "7"}));
    model.AddRegItem(m_owned.emplace_back(pattern(1, 9, 1, 1)).get());
    QCOMPARE(column(model, 0), (QStringList{"1", "10", "2", "2", "3", "4"}));
}

void TestOptionsDialog::columnSortIsOrdinal()
{
    TRegListModel model;
    for (int steps : {9, 12, 10})
        model.AddRegItem(m_owned.emplace_back(pattern(2, steps, 1, 1)).get());
    model.SortByColumn(1);
    QCOMPARE(column(model, 1), (QStringList{"10", "12", "9"}));
    model.SortByColumn(1);
    QCOMPARE(column(model, 1), (QStringList{"10", "12", "9"}));
    model.SortByColumn(6);
    const QStringList once = column(model, 6);
    model.SortByColumn(6);
    QCOMPARE(column(model, 6), once);
}

void TestOptionsDialog::batchAddMatchesSingleAdds()
{
    // Rows added in slices land exactly where one-by-one adds put them,
    // also after a sort by another column.
    QRandomGenerator rng(42);
    std::vector<TVexelReg *> patterns;
    for (int i = 0; i < 300; ++i)
        patterns.push_back(m_owned.emplace_back(pattern(int(rng.bounded(1, 12)), int(rng.bounded(1, 30)), i, 1)).get());
    TRegListModel single;
    TRegListModel batched;
    size_t at = 0;
    for (size_t slice : {size_t(1), size_t(50), size_t(0), size_t(120), size_t(129)}) {
        std::vector<TVexelReg *> part(patterns.begin() + qsizetype(at), patterns.begin() + qsizetype(at + slice));
        for (TVexelReg *p : part)
            single.AddRegItem(p);
        batched.AddRegItems(part);
        at += slice;
        single.SortByColumn(2);
        batched.SortByColumn(2);
    }
    single.AddRegItem(patterns.front());
    batched.AddRegItems({patterns.front()});
    QCOMPARE(batched.rowCount(), single.rowCount());
    for (int r = 0; r < single.rowCount(); ++r)
        QCOMPARE(batched.Reg(r), single.Reg(r));
}

void TestOptionsDialog::compareRule_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("10 before 9") << "10" << "9" << -1;
    QTest::newRow("equal") << "AB" << "AB" << 0;
    QTest::newRow("case ignored") << "abd" << "ABD" << 0;
    QTest::newRow("prefix first") << "AB" << "ABC" << -1;
    QTest::newRow("letters after digits") << "A" << "1" << 1;
    QTest::newRow("underscore after letters, case-folded") << "_" << "a" << 1;
}

void TestOptionsDialog::compareRule()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int r = TRegListModel::ListViewCompare(a, b);
    QCOMPARE((r > 0) - (r < 0), sign);
}

// A batch joins the list with one insertion per caption, and the rows land
// where adding them one by one puts them.
void TestOptionsDialog::batchInsertsOncePerCaption_data()
{
    QTest::addColumn<QList<int>>("listed");
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<QList<int>>("batch");
    QTest::addColumn<int>("insertions");
    QTest::newRow("smaller captions before listed ones") << QList<int>{5, 5, 5, 5} << -1
                                                          << QList<int>{1, 2, 3, 4, 1, 2, 4} << 4;
    QTest::newRow("text order: 10 before 2") << QList<int>{2, 10} << -1 << QList<int>{10, 3, 10, 1} << 3;
    QTest::newRow("after a column sort") << QList<int>{3, 1, 2, 1} << 1 << QList<int>{2, 2, 1} << 2;
    QTest::newRow("into an empty list") << QList<int>{} << -1 << QList<int>{6, 6, 6} << 1;
}

void TestOptionsDialog::batchInsertsOncePerCaption()
{
    QFETCH(QList<int>, listed);
    QFETCH(int, sortColumn);
    QFETCH(QList<int>, batch);
    QFETCH(int, insertions);
    TRegListModel batched;
    TRegListModel single;
    for (int i = 0; i < listed.size(); ++i) {
        TVexelReg *p = m_owned.emplace_back(pattern(listed[i], 9 - i, i, 1)).get();
        batched.AddRegItem(p);
        single.AddRegItem(p);
    }
    if (sortColumn >= 0) {
        batched.SortByColumn(sortColumn);
        single.SortByColumn(sortColumn);
    }
    std::vector<TVexelReg *> added;
    for (int i = 0; i < batch.size(); ++i)
        added.push_back(m_owned.emplace_back(pattern(batch[i], 3 + i, 100 + i, 1)).get());
    QSignalSpy inserted(&batched, &QAbstractItemModel::rowsInserted);
    QSignalSpy relaid(&batched, &QAbstractItemModel::layoutChanged);
    batched.AddRegItems(added);
    for (TVexelReg *p : added)
        single.AddRegItem(p);
    QCOMPARE(inserted.size(), insertions);
    QCOMPARE(relaid.size(), sortColumn >= 0 ? 1 : 0);
    for (int r = 0; r < single.rowCount(); ++r)
        QCOMPARE(batched.Reg(r), single.Reg(r));
}

// Rows keep no texts: a column sort orders them as a stable sort of their
// whole texts would, damaged values and long step texts included.
void TestOptionsDialog::columnSortOfWholeTexts_data()
{
    QTest::addColumn<int>("column");
    for (int c = 0; c < TRegListModel::ColumnCount; ++c)
        QTest::addRow("column %d", c) << c;
}

void TestOptionsDialog::columnSortOfWholeTexts()
{
    QFETCH(int, column);
    const qint32 most = 2147483647;
    std::vector<TVexelReg *> patterns;
    for (int i = 0; i < 12; ++i)
        patterns.push_back(m_owned.emplace_back(pattern(1 + i % 11, 1 + i * 2, i * 9 - 20, i % 4, quint16(6 << (i % 3)))).get());
    for (qint32 v : {most, -most - 1, 17, -3}) {
        TVexelReg *p = m_owned.emplace_back(pattern(2, 0, most, 1000, 0xFFFF)).get();
        p->AddStep({v}, 1);
        p->SetKind(v == 17 ? 2 : v == -3 ? 0 : 1);
        patterns.push_back(p);
    }
    // Step texts that agree well beyond their first 15 characters.
    for (int last : {3, 1, 2}) {
        TVexelReg *p = m_owned.emplace_back(pattern(2, 0, 1, 1)).get();
        p->AddStep({last}, 6);
        for (int s = 0; s < 30; ++s)
            p->AddStep({10 + s}, 6);
        patterns.push_back(p);
    }
    TRegListModel model;
    model.Fill(patterns);
    std::vector<TVexelReg *> expected;
    for (int r = 0; r < model.rowCount(); ++r)
        expected.push_back(model.Reg(r));
    std::stable_sort(expected.begin(), expected.end(), [column](const TVexelReg *a, const TVexelReg *b) {
        return TRegListModel::ListViewCompare(TRegListModel::RowTexts(*a)[size_t(column)],
                                              TRegListModel::RowTexts(*b)[size_t(column)]) < 0;
    });
    model.SortByColumn(column);
    for (int r = 0; r < model.rowCount(); ++r) {
        QCOMPARE(model.Reg(r), expected[size_t(r)]);
        QCOMPARE(model.data(model.index(r, column)).toString(), model.Text(r, column));
    }
}

// A pattern from a damaged file that claims a million steps: the list shows
// the start of its steps text, yet orders it by the whole text.
void TestOptionsDialog::hugeStepsTextCut()
{
    std::vector<TVexelReg *> patterns;
    for (int newest : {2, 1}) {
        TVexelReg *p = m_owned.emplace_back(pattern(2, 0, 1, 1)).get();
        p->AddStep({newest}, 6);
        for (int s = 1; s < 1000000; ++s)
            p->AddStep({s % 10}, 6);
        patterns.push_back(p);
    }
    TRegListModel model;
    model.Fill(patterns);
    const QString shown = model.data(model.index(0, 4)).toString();
    QCOMPARE(shown.size(), RegColumnText::MaxShownLength + 1);
    QCOMPARE(shown.back(), QChar(0x2026));
    QVERIFY(model.Text(0, 4).startsWith(shown.chopped(1)));
    model.SortByColumn(4);
    QCOMPARE(model.Reg(0), patterns[1]);
    QVERIFY(model.Text(0, 4).endsWith(QStringLiteral(",1")));
}

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
