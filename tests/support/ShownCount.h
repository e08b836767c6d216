#pragma once

#include <QLocale>
#include <QString>

// A count as the user reads it in the windows: the Chinese locale's group
// separator every three digits.
inline QString ShownCount(qint64 n)
{
    return QLocale(QLocale::Chinese, QLocale::China).toString(n);
}
