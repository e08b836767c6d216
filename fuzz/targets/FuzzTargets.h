#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The fuzz targets: each runs one input through a part of the program the way
// the program would, and checks what must hold for every input, not only that
// nothing crashes. The libFuzzer harnesses in fuzz/ call them, and the
// regression suite replays every input that ever broke one of them.
namespace VexelFuzz {

// A broken rule. When failures throw (the regression suite) it carries the
// message; otherwise the message goes to stderr and the process aborts, which
// libFuzzer records as a finding.
class Failure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

void SetThrowOnFailure(bool throwing);
[[noreturn]] void Fail(const char *target, const QString &what);

// Reading a workspace file: the chart's draws, the patterns, the snapshot.
void Workspace(const uint8_t *data, size_t size);
// Importing a draw text file into a draw list that already holds draws.
void DrawText(const uint8_t *data, size_t size);
// A reply of the data service: the hand-over lines, their conversion to draw
// numbers, the digit decoding and the draw list rebuild.
void Download(const uint8_t *data, size_t size);
// Reading a settings file, and writing the settings back over it.
void Settings(const uint8_t *data, size_t size);
// A few bytes of search settings, then a workspace file: the list texts and
// the shortest order of every pattern read, and a small search on its draws.
void Search(const uint8_t *data, size_t size);

// A seed input of one target, by the target's name in lower case.
struct Seed
{
    const char *target;
    const char *name;
    QByteArray bytes;
};
// The seeds of every target; a few are cut from the sample history.
std::vector<Seed> Seeds(const QByteArray &sampleHistory);

// A target by its name in lower case, or null.
using TargetFunction = void (*)(const uint8_t *, size_t);
TargetFunction TargetNamed(const QByteArray &name);

// The bytes of a QByteArray as hex, cut after `limit` bytes, for messages.
QString Hex(const QByteArray &bytes, int limit = 64);

// Inputs of the search target: settings bytes put before a workspace.
constexpr int SearchSettingsBytes = 10;

} // namespace VexelFuzz

#define FUZZ_CHECK(target, condition, what)                 \
    do {                                                    \
        if (!(condition))                                   \
            ::VexelFuzz::Fail((target), (what));            \
    } while (false)
