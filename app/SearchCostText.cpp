#include "app/SearchCostText.h"
#include "core/CountText.h"
#include "app/DurationText.h"

#include <cmath>

namespace {

// v (at least 1) rounded to two significant digits.
double RoundTwoDigits(double v)
{
    const double scale = std::pow(10.0, std::floor(std::log10(v)) - 1);
    return std::round(v / scale) * scale;
}

// Two significant digits, without a trailing ".0".
QString TwoDigits(double v)
{
    const double rounded = RoundTwoDigits(v);
    return QString::number(rounded, 'f', rounded < 10 && rounded != std::floor(rounded) ? 1 : 0);
}

// Counts in the units Chinese readers use: 万 (10^4) and 亿 (10^8).
QString ApproxCount(double n)
{
    if (n < 1)
        return QStringLiteral("不到1个");
    if (n < 1e4)
        return QStringLiteral("约%1个").arg(TwoDigits(n));
    if (n < 1e8)
        return QStringLiteral("约%1万个").arg(TwoDigits(n / 1e4));
    return QStringLiteral("约%1亿个").arg(TwoDigits(n / 1e8));
}

// An estimate of a time: "约" and two significant digits of its seconds in
// the program's duration form ("约12分30秒", "约2时5分").
QString ApproxDuration(double seconds)
{
    if (seconds < 1)
        return DurationText(1);
    return QStringLiteral("约") + DurationText(qint64(std::llround(RoundTwoDigits(seconds) * 1000)));
}

} // namespace

TSearchCostTexts SearchCostTexts(const TSearchEstimate &estimate, std::optional<double> seconds,
                                 qint64 patternsHeld, qint64 patternLimit)
{
    TSearchCostTexts texts;
    texts.estimate = QStringLiteral("组合数：%1个\n估计规律数：%2\n估计耗时：%3\n（规律数和耗时都是估计值，仅供参考）")
                         .arg(CountText(estimate.combinations), ApproxCount(estimate.patterns),
                              seconds ? ApproxDuration(*seconds) : QStringLiteral("正在测定本机速度..."));
    if (double(patternsHeld) + estimate.patterns > double(patternLimit)) {
        const QString held = patternsHeld > 0 ? QStringLiteral("（连同已有的%1个）").arg(CountText(patternsHeld))
                                              : QString();
        texts.warning = QStringLiteral("警告：估计的规律数%1超过上限%2个，搜索将在达到上限时停止。"
                                       "请增加走步最少的步数，减少彩线的点数，或缩短彩线跨越的行数。")
                            .arg(held, CountText(patternLimit));
    }
    return texts;
}
