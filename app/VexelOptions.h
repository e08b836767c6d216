#pragma once

#include "RegOptions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// The modal search settings dialog. It edits a working copy of the settings:
// every change of a control is written into the copy at once, with no rules
// between fields (a minimum above its maximum is kept as it is).
class TOptionsForm : public QDialog
{
    Q_OBJECT

public:
    explicit TOptionsForm(QWidget *parent = nullptr);

    // Loads `settings` into the working copy and the controls, then runs the
    // dialog; returns true when the user confirmed.
    bool Execute(const TRegOptions &settings);
    // Loads the controls without running the dialog (Execute's first half).
    void Load(const TRegOptions &settings);
    const TRegOptions &WorkingCopy() const { return m_copy; }

private:
    QSpinBox *addSpin(const char *name, int min, int max, int shown, int maxLength, qint32 TRegOptions::*field);
    QWidget *spinLine(const QString &text, const QList<QSpinBox *> &spins);

    TRegOptions m_copy;
    QLineEdit *m_userName = nullptr;
    QLineEdit *m_userPW = nullptr;
    QList<QPair<QSpinBox *, qint32 TRegOptions::*>> m_spins;
    QList<QPair<QCheckBox *, bool TRegOptions::*>> m_checks;
    QList<QPair<QButtonGroup *, qint32 TRegOptions::*>> m_groups;
};
