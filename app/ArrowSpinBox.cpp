#include "app/ArrowSpinBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

TArrowSpinBox::TArrowSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
    lineEdit()->setReadOnly(true);
}

void TArrowSpinBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        event->ignore();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void TArrowSpinBox::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
