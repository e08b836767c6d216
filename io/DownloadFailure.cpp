#include "io/DownloadFailure.h"


QString DownloadFailureText(const TDownloadError &failure)
{
    const QString tryLater = QStringLiteral("\r\n请稍后再试。");
    switch (failure.Kind) {
    case TDownloadFailure::Internal:
        return QStringLiteral("下载时程序内部出错。") + tryLater;
    case TDownloadFailure::Stopped:
        return QStringLiteral("下载已停止。");
    case TDownloadFailure::BadAddress:
        return QStringLiteral("数据服务的网址不正确，无法下载。");
    case TDownloadFailure::NoConnection:
        return QStringLiteral("无法连接到数据服务器，请检查网络连接。") + tryLater;
    case TDownloadFailure::ConnectionLost:
        return QStringLiteral("没有收到数据服务器的完整回复：连接中断了，或者回复无法识别。") + tryLater;
    case TDownloadFailure::TimedOut:
        return QStringLiteral("数据服务器在%1秒内没有回复完毕，请检查网络连接。").arg(failure.Seconds) + tryLater;
    case TDownloadFailure::HttpError:
        return QStringLiteral("数据服务器回复出错（状态码%1）。").arg(failure.Status) + tryLater;
    case TDownloadFailure::NotHttp:
        return QStringLiteral("数据服务器的回复无法识别，不是开奖数据。");
    case TDownloadFailure::TooLarge:
        return QStringLiteral("数据服务器的回复大得异常，不是开奖数据。");
    case TDownloadFailure::NotSuccess:
        if (failure.Excerpt.isEmpty())
            return QStringLiteral("数据服务器没有发来开奖数据，回复的第一行是空的。");
        return QStringLiteral("数据服务器没有发来开奖数据，它的回复是：“%1”").arg(failure.Excerpt);
    case TDownloadFailure::NoDrawLines:
        return QStringLiteral("数据服务器的回复里没有开奖号码。");
    case TDownloadFailure::BadLine:
        return QStringLiteral("数据服务器的回复不是开奖数据：第%1行格式不对：“%2”")
            .arg(QString::number(failure.Line), failure.Excerpt);
    case TDownloadFailure::BadDraw:
        return QStringLiteral("数据服务器的回复不是开奖数据：第%1条开奖记录的期号或号码不对：“%2”")
            .arg(QString::number(failure.Line), failure.Excerpt);
    }
    return QStringLiteral("下载时程序内部出错。") + tryLater;
}
