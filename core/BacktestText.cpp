#include "core/BacktestText.h"

QString PercentText(double rate)
{
    return QString::number(rate * 100.0, 'f', 2) + QLatin1Char('%');
}

QString IntervalExplanation(const TRateInterval &r)
{
    if (r.units == 0)
        return QStringLiteral("回测的各期都没有找到规律，没有可以检验的预测。");
    if (!r.valid)
        return QStringLiteral("只有一期找到了规律，命中率 %1 无法估计置信区间：至少要有两期。")
            .arg(PercentText(r.rate));
    return QStringLiteral(
               "命中率 %1，95% 置信区间 %2 至 %3（按 %4 期计算）。"
               "意思是：这类规律长期下来真正的命中率，有 95% 的把握在这个范围之内。"
               "同一期的许多规律预测的是同一组号码，往往同对同错，"
               "所以区间按“期”而不是按规律个数来算，否则会显得比实际可靠得多。")
        .arg(PercentText(r.rate), PercentText(r.low), PercentText(r.high))
        .arg(r.units);
}

QString ChanceExplanation(const TRateInterval &r)
{
    if (!r.valid)
        return QStringLiteral("随便猜一个数字，命中率也有 10%。");
    const QString band = QStringLiteral("随便猜一个数字，命中率也有 10%；在同样的期与期之间的起伏下，"
                                        "单凭运气得到的命中率会在 %1 至 %2 之间。")
                             .arg(PercentText(r.chanceLow), PercentText(r.chanceHigh));
    if (r.ChanceLike())
        return band + QStringLiteral("本次命中率 %1 在这个范围之内：这正是单凭运气就会得到的结果，"
                                     "不能说明这些规律比随便猜更准。")
                          .arg(PercentText(r.rate));
    if (r.rate > r.chanceHigh)
        return band + QStringLiteral("本次命中率 %1 高于这个范围：单凭运气不太会这么高。"
                                     "不过过去的命中不能保证将来。")
                          .arg(PercentText(r.rate));
    return band + QStringLiteral("本次命中率 %1 低于这个范围：比随便猜还差，单凭运气也不太会这么低。")
                      .arg(PercentText(r.rate));
}
