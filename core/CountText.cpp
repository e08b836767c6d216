#include "core/CountText.h"

#include <QLocale>

QString CountText(qint64 count)
{
    // The program's own locale, whatever the system's: every text the user
    // reads is Chinese, and the C locale would leave the separator out.
    static const QLocale locale(QLocale::Chinese, QLocale::China);
    return locale.toString(count);
}
