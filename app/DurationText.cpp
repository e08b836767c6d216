#include "app/DurationText.h"

QString DurationText(qint64 milliseconds)
{
    if (milliseconds > 0 && milliseconds < 1000)
        return QStringLiteral("不到1秒");
    const qint64 seconds = qMax<qint64>(0, milliseconds / 1000);
    if (seconds < 3600)
        return QStringLiteral("%1分%2秒").arg(seconds / 60).arg(seconds % 60);
    if (seconds < 86400)
        return QStringLiteral("%1时%2分").arg(seconds / 3600).arg(seconds % 3600 / 60);
    return QStringLiteral("%1天%2时").arg(seconds / 86400).arg(seconds % 86400 / 3600);
}
