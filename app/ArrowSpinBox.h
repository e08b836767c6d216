#pragma once

#include <QSpinBox>

// A spin field whose value changes only through its arrow buttons and the
// up and down arrow keys: typing, Page Up/Down and the wheel leave it alone,
// so that scrolling over the dialog never changes a setting by accident.
class TArrowSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit TArrowSpinBox(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};
