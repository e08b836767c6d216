#pragma once

#include <QDataStream>
#include <QIODevice>
#include <QtGlobal>

// Guards against counts that announce far more data than the stream holds.
// A stream that merely ends early still loads (the missing entries read as
// zero), but a count whose data could not possibly be in the stream must not
// make us allocate gigabytes. The rule: a count is accepted while the bytes
// it announces are at most twice the bytes left in the stream plus 1 MiB.
// Any truncation of a real file passes; a corrupt count does not.
namespace StreamLimits {

constexpr qint64 Slack = 1 << 20;

inline bool Plausible(const QDataStream &stream, qint64 count, qint64 bytesPerEntry)
{
    // Within the slack every count passes: no need to ask the device its
    // size, which a file answers with a system call.
    if (count * bytesPerEntry <= Slack)
        return true;
    const QIODevice *device = stream.device();
    if (!device || device->isSequential())
        return true;
    const qint64 left = qMax<qint64>(0, device->size() - device->pos());
    return count * bytesPerEntry <= 2 * left + Slack;
}

} // namespace StreamLimits
