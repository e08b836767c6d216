#include "app/SearchTexts.h"
#include "core/CountText.h"
#include "core/VexelSearchThread.h"

namespace SearchTexts {

QString Progress(qint64 combinations, int patterns, qint64 elapsedSeconds, bool busy)
{
    if (!busy)
        return QStringLiteral("结束搜索，花费%1秒，总共搜索到%2个规律").arg(elapsedSeconds).arg(CountText(patterns));
    const QString head = QStringLiteral("搜索第%1万个组合").arg(CountText(combinations / 10000));
    const qint64 speed = elapsedSeconds > 0 ? combinations / elapsedSeconds : 0;
    const QString timing = QStringLiteral("(耗时%1秒,速度:%2个组合/秒)").arg(elapsedSeconds).arg(CountText(speed));
    return head + QStringLiteral("搜索到%1条规律").arg(CountText(patterns)) + timing + QStringLiteral("...") + QLatin1Char('.');
}

QString End(const TSearchOutcome &outcome, int patterns, qint64 elapsedSeconds)
{
    switch (outcome.end) {
    case TSearchOutcome::LimitReached:
        return Progress(0, patterns, elapsedSeconds, false) + QStringLiteral("（已达到规律数量上限）");
    case TSearchOutcome::OutOfMemory:
    case TSearchOutcome::Failed:
        return QStringLiteral("搜索失败，花费%1秒，保留了已找到的%2个规律").arg(elapsedSeconds).arg(CountText(patterns));
    case TSearchOutcome::Completed:
    case TSearchOutcome::Stopped:
        break;
    }
    return Progress(0, patterns, elapsedSeconds, false);
}

QString EndMessage(const TSearchOutcome &outcome, int patterns, qint64 limit)
{
    const QString narrow = QStringLiteral("请缩小搜索范围后再搜索：增加走步最少的步数，减少彩线的点数，或缩短彩线跨越的行数。");
    switch (outcome.end) {
    case TSearchOutcome::LimitReached:
        return QStringLiteral("规律数量已达到上限%1个，搜索已停止。\r\n找到的规律都已保留，现有%2个规律。\r\n")
                   .arg(CountText(limit), CountText(patterns)) + narrow;
    case TSearchOutcome::OutOfMemory:
        return QStringLiteral("搜索失败：内存不足。\r\n已找到的规律都已保留，现有%1个规律。\r\n").arg(CountText(patterns)) + narrow;
    case TSearchOutcome::Failed: {
        const QString why = outcome.error.isEmpty() ? QStringLiteral("未知错误")
                                                    : QStringLiteral("程序内部错误（%1）").arg(outcome.error.left(200));
        return QStringLiteral("搜索失败：%1。\r\n已找到的规律都已保留，现有%2个规律。").arg(why, CountText(patterns));
    }
    case TSearchOutcome::Completed:
    case TSearchOutcome::Stopped:
        break;
    }
    return QString();
}

} // namespace SearchTexts
