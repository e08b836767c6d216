#include "fuzz/targets/FuzzTargets.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace VexelFuzz {

namespace {
std::atomic<bool> throwOnFailure{false};
}

void SetThrowOnFailure(bool throwing)
{
    throwOnFailure.store(throwing);
}

void Fail(const char *target, const QString &what)
{
    const std::string message = std::string(target) + ": " + what.toStdString();
    if (throwOnFailure.load())
        throw Failure(message);
    std::fprintf(stderr, "\n==vexel-fuzz== rule broken: %s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

TargetFunction TargetNamed(const QByteArray &name)
{
    if (name == "workspace")
        return Workspace;
    if (name == "drawtext")
        return DrawText;
    if (name == "download")
        return Download;
    if (name == "settings")
        return Settings;
    if (name == "search")
        return Search;
    return nullptr;
}

QString Hex(const QByteArray &bytes, int limit)
{
    const QByteArray shown = bytes.left(limit).toHex(' ');
    return QString::fromLatin1(shown) + (bytes.size() > limit ? QStringLiteral(" ...") : QString());
}

} // namespace VexelFuzz
