#pragma once

#include "core/VexelError.h"
#include "io/TextExcerpt.h"

#include <QMetaType>
#include <QString>
#include <QStringView>

// Why a download failed, in the terms the user can understand and act on.
enum class TDownloadFailure {
    Internal,        // an error inside the program, such as memory running out
    Stopped,         // the download was stopped before it ended
    BadAddress,      // the data service's address is not a web address
    NoConnection,    // the server could not be reached
    ConnectionLost,  // the connection broke off before a complete reply; the
                     // network layer also reports a reply it cannot parse so
    TimedOut,        // no complete reply within the time limit
    HttpError,       // the server answered with an error status
    NotHttp,         // the answer cannot be read as a web reply
    TooLarge,        // the reply is far larger than any draw history
    NotSuccess,      // the reply's first line does not report success
    NoDrawLines,     // the reply has no line after its first
    BadLine,         // a reply line is not "issue#...#digits"
    BadDraw,         // a draw's issue or digits are not numbers
};

struct TDownloadError
{
    TDownloadError(TDownloadFailure kind = TDownloadFailure::Internal, const QString &excerpt = {}, int line = 0)
        : Kind(kind), Line(line), Excerpt(excerpt) {}

    TDownloadFailure Kind = TDownloadFailure::Internal;
    int Status = 0;       // HttpError: the HTTP status
    int Seconds = 0;      // TimedOut: the time limit
    int Line = 0;         // BadLine: the reply line; BadDraw: the draw; both from 1
    QString Excerpt;      // NotSuccess, BadLine, BadDraw: the text at fault, as TextExcerpt gives it
};
Q_DECLARE_METATYPE(TDownloadError)

// The user's message for a failure, in Chinese: the cause in plain words and
// what to try, quoting at most the failure's excerpt. A few lines at most.
QString DownloadFailureText(const TDownloadError &failure);

// A reply that is not draw data. The message is the technical one, in
// English, for logs and tests; failure() is what the user is told.
class EDownloadError : public EVexelError
{
public:
    EDownloadError(const QString &message, const TDownloadError &failure)
        : EVexelError(message), m_failure(failure) {}

    const TDownloadError &failure() const noexcept { return m_failure; }

private:
    TDownloadError m_failure;
};
