#include "core/BacktestText.h"
#include "core/CountText.h"

QString PercentText(double rate)
{
    return QString::number(rate * 100.0, 'f', 2) + QLatin1Char('%');
}

QString BandText(const TRateInterval &r)
{
    if (!r.valid)
        return QStringLiteral("-");
    return PercentText(r.chanceLow) + QStringLiteral(" 至 ") + PercentText(r.chanceHigh);
}

QString IntervalExplanation(const TRateInterval &r)
{
    if (r.units == 0)
        return QStringLiteral("回测的各期都没有找到规律，没有可以检验的预测。");
    if (!r.valid)
        return QStringLiteral("只有一期找到了规律，命中率 %1 无法估计置信区间：至少要有两期。")
            .arg(PercentText(r.rate));
    QString text = QStringLiteral(
                       "命中率 %1，95% 置信区间 %2 至 %3（按 %4 期计算）。"
                       "意思是：用这种方法算出的区间，95% 的情况下会包含这类规律长期下来真正的命中率。"
                       "同一期的许多规律预测的是同一组号码，往往同对同错，"
                       "所以区间按“期”而不是按规律个数来算，否则会显得比实际可靠得多。")
                       .arg(PercentText(r.rate), PercentText(r.low), PercentText(r.high), CountText(r.units));
    if (r.TooFew())
        text += FewDrawsWarning(r.units);
    return text;
}

QString ChanceExplanation(const TRateInterval &r)
{
    if (!r.valid)
        return QStringLiteral("随便猜一个数字，命中率也有 10%。");
    const QString band = QStringLiteral("随便猜一个数字，命中率也有 10%；在同样的期与期之间的起伏下，"
                                        "单凭运气得到的命中率 95% 的情况下会在 %1 至 %2 之间。")
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

QString FewDrawsWarning(int units)
{
    return QStringLiteral("注意：只有 %1 期有可检验的预测，少于 %2 期时区间和范围都很宽，"
                          "也不够可靠，说明不了什么；请多检验一些期。")
        .arg(CountText(units), CountText(FewRateUnits));
}

QString ManyRowsCaution()
{
    return QStringLiteral("表中每一行都有它自己的“单凭运气”范围（95% 的情况下落在其中）。"
                          "同时看许多行，或者试过许多种设置时，总会有几行单凭运气就落在范围之外："
                          "20 行里大约有 1 行。灰色的行检验的期数太少，说明不了什么。");
}
