#pragma once

#include "core/PatternRoom.h"
#include "core/RegOptions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QThread;

// The modal search settings dialog. It edits a working copy of the settings:
// every change of a control is written into the copy at once, with no rules
// between fields (a minimum above its maximum is kept as it is).
class TOptionsForm : public QDialog
{
    Q_OBJECT

public:
    explicit TOptionsForm(QWidget *parent = nullptr);
    ~TOptionsForm() override;

    // Loads `settings` into the working copy and the controls, then runs the
    // dialog; returns true when the user confirmed.
    bool Execute(const TRegOptions &settings);
    // Loads the controls without running the dialog (Execute's first half).
    void Load(const TRegOptions &settings);
    const TRegOptions &WorkingCopy() const { return m_copy; }
    // The working copy as Load left it: the settings with each value the
    // dialog shows, clamped to its control's range.
    const TRegOptions &ShownSettings() const { return m_shown; }

    // What the cost estimate below the settings is worked out for: the
    // history the search will run on, and the patterns already held
    // against the pattern limit.
    void SetSearchContext(int drawCount, qint64 patternsHeld, qint64 patternLimit);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The estimate of what a search with the working copy will cost.
    void UpdateEstimate();

    QSpinBox *addSpin(const char *name, int min, int max, int shown, int maxLength, qint32 TRegOptions::*field);
    QWidget *spinLine(const QString &text, const QList<QSpinBox *> &spins);

    TRegOptions m_copy;
    TRegOptions m_shown;
    bool m_loading = false;   // no estimate while the controls are set one by one
    QLineEdit *m_userName = nullptr;
    QLineEdit *m_userPW = nullptr;
    QList<QPair<QSpinBox *, qint32 TRegOptions::*>> m_spins;
    QList<QPair<QCheckBox *, bool TRegOptions::*>> m_checks;
    QList<QPair<QButtonGroup *, qint32 TRegOptions::*>> m_groups;
    QLabel *m_estimate = nullptr;
    QLabel *m_estimateWarning = nullptr;
    int m_drawCount = 0;
    qint64 m_patternsHeld = 0;
    qint64 m_patternLimit = DefaultPatternLimit;
    QThread *m_measuring = nullptr;   // times this machine's search speed, once per run
};
