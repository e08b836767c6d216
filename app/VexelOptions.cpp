#include "app/VexelOptions.h"
#include "app/ArrowSpinBox.h"
#include "app/SearchCostText.h"
#include "core/SearchEstimate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <optional>

namespace {

// This machine's search speed, measured once per run (on the interface thread's side).
std::optional<TSearchSpeed> measuredSpeed;

QGroupBox *radioGroup(const char *name, const QString &title, const QStringList &items, int columns,
                      QButtonGroup *&group)
{
    auto *box = new QGroupBox(title);
    box->setObjectName(QLatin1String(name));
    auto *grid = new QGridLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i]);
        group->addButton(button, i);
        grid->addWidget(button, i / columns, i % columns);
    }
    return box;
}

} // namespace

TOptionsForm::TOptionsForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("搜索设置"));

    auto *member = new QGroupBox(QStringLiteral("网站会员设置："));
    auto *memberForm = new QFormLayout(member);
    m_userName = new QLineEdit;
    m_userName->setObjectName(QStringLiteral("userNameEd"));
    m_userPW = new QLineEdit;
    m_userPW->setObjectName(QStringLiteral("userPWEd"));
    m_userPW->setEchoMode(QLineEdit::Password);
    memberForm->addRow(QStringLiteral("会员名称："), m_userName);
    memberForm->addRow(QStringLiteral("会员密码："), m_userPW);
    connect(m_userName, &QLineEdit::textChanged, this, [this](const QString &t) { m_copy.userName = t; });
    connect(m_userPW, &QLineEdit::textChanged, this, [this](const QString &t) { m_copy.userPW = t; });

    auto *search = new QGroupBox(QStringLiteral("搜索设置："));
    auto *searchLayout = new QVBoxLayout(search);

    QSpinBox *distMin = addSpin("LinedDistMinSe", 1, 5, 4, 2, &TRegOptions::LinedDistMinSe);
    QSpinBox *distMax = addSpin("LinedDistMaxSe", 1, 9, 4, 2, &TRegOptions::LinedDistMaxSe);
    QSpinBox *ptMin = addSpin("LinedPtMinSe", 1, 9, 4, 2, &TRegOptions::LinedPtMinSe);
    QSpinBox *ptMax = addSpin("LinedPtMaxSe", 1, 9, 4, 2, &TRegOptions::LinedPtMaxSe);
    QSpinBox *secCount = addSpin("SecCountSe", 3, 20, 12, 2, &TRegOptions::SecCountSe);
    QSpinBox *interMin = addSpin("InterMinSe", 1, 9, 4, 2, &TRegOptions::InterMinSe);
    QSpinBox *interMax = addSpin("InterMaxSe", 1, 20, 4, 2, &TRegOptions::InterMaxSe);
    QSpinBox *maxY = addSpin("MaxYOfSecSe", 1, 6, 1, 1, &TRegOptions::MaxYOfSecSe);
    QSpinBox *refWidth = addSpin("RefWidthSe", 3, 7, 7, 1, &TRegOptions::RefWidthSe);

    auto *line1 = new QHBoxLayout;
    line1->addWidget(spinLine(QStringLiteral("彩线跨越第      行至       行"), {distMin, distMax}));
    line1->addWidget(spinLine(QStringLiteral(",彩线有      个至      个点"), {ptMin, ptMax}));
    line1->addStretch();
    searchLayout->addLayout(line1);

    auto *line2 = new QHBoxLayout;
    line2->addWidget(spinLine(QStringLiteral("走步最少      步"), {secCount}));
    line2->addWidget(spinLine(QStringLiteral("走步间隔     行至      行，最多距      行"), {interMin, interMax, maxY}));
    line2->addStretch();
    searchLayout->addLayout(line2);

    auto *line3 = new QHBoxLayout;
    const QList<QPair<const char *, QPair<QString, bool TRegOptions::*>>> checks{
        {"RefSumChk", {QStringLiteral("和值参与运算"), &TRegOptions::RefSumChk}},
        {"RefTailChk", {QStringLiteral("后3数参与运算"), &TRegOptions::RefTailChk}},
    };
    for (const auto &[name, check] : checks) {
        auto *box = new QCheckBox(check.first);
        box->setObjectName(QLatin1String(name));
        const auto field = check.second;
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) { m_copy.*field = on; });
        m_checks.append({box, field});
        line3->addWidget(box);
    }
    line3->addStretch();
    searchLayout->addLayout(line3);

    QButtonGroup *fallTarget = nullptr;
    QButtonGroup *sumContrast = nullptr;
    QButtonGroup *fallStyle = nullptr;
    searchLayout->addWidget(radioGroup("FallTargetGbx", QStringLiteral("目标位置"),
                                       {QStringLiteral("两位合"), QStringLiteral("三位合"), QStringLiteral("四位合")},
                                       3, fallTarget));
    // Kept for the settings they carry; they are never shown.
    QWidget *hiddenContrast = radioGroup("SumContrastGbx", QStringLiteral("明对类型"),
                                         {QStringLiteral("全部类型"), QStringLiteral("全明规律"),
                                          QStringLiteral("全对规律"), QStringLiteral("明对规律")},
                                         1, sumContrast);
    QWidget *hiddenStyle = radioGroup("FallStyleGbx", QStringLiteral("落码类型"),
                                      {QStringLiteral("全部类型"), QStringLiteral("定位定数"),
                                       QStringLiteral("两位合分"), QStringLiteral("两位差分")},
                                      1, fallStyle);
    QWidget *hiddenWidth = spinLine(QStringLiteral("      位号码参与运算"), {refWidth});
    for (QWidget *w : {hiddenContrast, hiddenStyle, hiddenWidth}) {
        w->setParent(this);
        w->hide();
    }
    const QList<QPair<QButtonGroup *, qint32 TRegOptions::*>> groups{
        {fallTarget, &TRegOptions::FallTargetGbx},
        {sumContrast, &TRegOptions::SumContrastGbx},
        {fallStyle, &TRegOptions::FallStyleGbx},
    };
    for (const auto &[group, field] : groups) {
        connect(group, &QButtonGroup::idToggled, this, [this, field](int id, bool on) {
            if (on)
                m_copy.*field = id;
        });
        m_groups.append({group, field});
    }

    // What a search with the values being edited will cost.
    auto *estimate = new QGroupBox(QStringLiteral("搜索估计："));
    estimate->setObjectName(QStringLiteral("EstimateGbx"));
    auto *estimateLayout = new QVBoxLayout(estimate);
    m_estimate = new QLabel;
    m_estimate->setObjectName(QStringLiteral("EstimateLbl"));
    m_estimateWarning = new QLabel;
    m_estimateWarning->setObjectName(QStringLiteral("EstimateWarningLbl"));
    m_estimateWarning->setWordWrap(true);
    m_estimateWarning->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_estimateWarning->hide();
    estimateLayout->addWidget(m_estimate);
    estimateLayout->addWidget(m_estimateWarning);
    for (const auto &[spin, field] : m_spins)
        connect(spin, &QSpinBox::valueChanged, this, &TOptionsForm::UpdateEstimate);
    for (const auto &[box, field] : m_checks)
        connect(box, &QCheckBox::toggled, this, &TOptionsForm::UpdateEstimate);
    for (const auto &[group, field] : m_groups)
        connect(group, &QButtonGroup::idToggled, this, &TOptionsForm::UpdateEstimate);

    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkBt"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBt"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(member);
    layout->addWidget(search);
    layout->addWidget(estimate);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The warning wraps within the width the settings take, so that the
    // dialog keeps its size when it comes and goes.
    m_estimateWarning->setMaximumWidth(search->sizeHint().width() - 2 * estimateLayout->contentsMargins().left());
}

QSpinBox *TOptionsForm::addSpin(const char *name, int min, int max, int shown, int maxLength,
                                qint32 TRegOptions::*field)
{
    auto *spin = new TArrowSpinBox;
    spin->setObjectName(QLatin1String(name));
    spin->setRange(min, max);
    spin->setValue(shown);
    spin->findChild<QLineEdit *>()->setMaxLength(maxLength);
    connect(spin, &QSpinBox::valueChanged, this, [this, field](int v) { m_copy.*field = v; });
    m_spins.append({spin, field});
    return spin;
}

// Lays a caption out with its spin fields standing in for the caption's blanks.
QWidget *TOptionsForm::spinLine(const QString &text, const QList<QSpinBox *> &spins)
{
    auto *widget = new QWidget;
    auto *row = new QHBoxLayout(widget);
    row->setContentsMargins(0, 0, 0, 0);
    const QStringList pieces = text.split(QRegularExpression(QStringLiteral(" {3,}")));
    for (int i = 0; i < pieces.size(); ++i) {
        if (!pieces[i].isEmpty())
            row->addWidget(new QLabel(pieces[i]));
        if (i < spins.size())
            row->addWidget(spins[i]);
    }
    return widget;
}

void TOptionsForm::Load(const TRegOptions &settings)
{
    // Half-loaded, the copy can mix shown values with hand-edited ones far
    // outside any range, whose estimate is of no use.
    m_loading = true;
    m_copy = settings;
    m_userName->setText(settings.userName);
    m_userPW->setText(settings.userPW);
    // Each control shows its field clamped to its range, and what it shows
    // is what the working copy holds from now on.
    for (const auto &[spin, field] : m_spins) {
        spin->setValue(settings.*field);
        m_copy.*field = spin->value();
    }
    for (const auto &[box, field] : m_checks)
        box->setChecked(settings.*field);
    for (const auto &[group, field] : m_groups) {
        const qint32 value = settings.*field;
        if (QAbstractButton *button = group->button(value)) {
            button->setChecked(true);
        } else if (QAbstractButton *checked = group->checkedButton()) {
            // A value without an item selects none and is kept as it is.
            group->setExclusive(false);
            checked->setChecked(false);
            group->setExclusive(true);
            m_copy.*field = value;
        }
    }
    m_shown = m_copy;
    m_loading = false;
    UpdateEstimate();
}

TOptionsForm::~TOptionsForm()
{
    if (m_measuring)
        m_measuring->wait();
}

void TOptionsForm::SetSearchContext(int drawCount, qint64 patternsHeld, qint64 patternLimit)
{
    m_drawCount = drawCount;
    m_patternsHeld = patternsHeld;
    m_patternLimit = patternLimit;
    UpdateEstimate();
}

void TOptionsForm::UpdateEstimate()
{
    if (m_loading)
        return;
    const TSearchEstimate estimate = EstimateSearch(m_copy, m_drawCount);
    std::optional<double> seconds;
    if (measuredSpeed)
        seconds = EstimateSeconds(estimate, *measuredSpeed);
    const TSearchCostTexts texts = SearchCostTexts(estimate, seconds, m_patternsHeld, m_patternLimit);
    m_estimate->setText(texts.estimate);
    m_estimateWarning->setText(texts.warning);
    m_estimateWarning->setVisible(!texts.warning.isEmpty());
}

void TOptionsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (measuredSpeed || m_measuring)
        return;
    // Two small searches, a fraction of a second, away from the window.
    auto speed = std::make_shared<TSearchSpeed>();
    m_measuring = QThread::create([speed] { *speed = MeasureSearchSpeed(); });
    m_measuring->setParent(this);
    connect(m_measuring, &QThread::finished, this, [this, speed] {
        measuredSpeed = *speed;
        m_measuring->deleteLater();
        m_measuring = nullptr;
        UpdateEstimate();
    });
    m_measuring->start(QThread::LowPriority);
}

bool TOptionsForm::Execute(const TRegOptions &settings)
{
    Load(settings);
    return exec() == QDialog::Accepted;
}
