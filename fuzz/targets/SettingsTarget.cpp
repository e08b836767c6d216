// Reading a settings file, whatever it holds, and writing the settings back
// over it: reading never fails; what is written reads back as the same
// settings, member name and password included; writing again over what was
// written changes nothing; and the written section alone, on a file of its
// own, reads as the same settings too.
#include "fuzz/targets/FuzzTargets.h"

#include "io/SettingsFile.h"

namespace VexelFuzz {

namespace {

const char *const Target = "settings";

QString Describe(const TRegOptions &o)
{
    return QStringLiteral("name '%1' (%2 chars), password '%3' (%4 chars), %5 %6 %7 %8 %9 %10 %11 %12 %13 %14 %15 %16 %17 %18 %19")
        .arg(o.userName.left(40)).arg(o.userName.size()).arg(o.userPW.left(40)).arg(o.userPW.size())
        .arg(o.LinedDistMinSe).arg(o.LinedDistMaxSe).arg(o.LinedPtMinSe).arg(o.LinedPtMaxSe)
        .arg(o.ClearDupChk).arg(o.RefSumChk).arg(o.InterMinSe).arg(o.InterMaxSe).arg(o.MaxYOfSecSe)
        .arg(o.RefTailChk).arg(o.FallTargetAnyChk).arg(o.SecCountSe).arg(o.SumContrastGbx)
        .arg(o.FallTargetGbx).arg(o.FallStyleGbx);
}

TRegOptions Load(const QByteArray &bytes)
{
    try {
        return LoadOptionsFromBytes(bytes);
    } catch (const std::exception &e) {
        Fail(Target, QStringLiteral("reading raised: %1").arg(QString::fromUtf8(e.what())));
    }
}

} // namespace

void Settings(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TRegOptions options = Load(bytes);
    FUZZ_CHECK(Target, options.RefWidthSe == 0, QStringLiteral("RefWidthSe was read from the file"));

    const QByteArray written = OptionsFileBytes(bytes, options);
    const TRegOptions again = Load(written);
    FUZZ_CHECK(Target, again == options,
               QStringLiteral("written and read back the settings change:\n  read    %1\n  re-read %2")
                   .arg(Describe(options), Describe(again)));
    FUZZ_CHECK(Target, OptionsFileBytes(written, options) == written,
               QStringLiteral("writing the same settings twice gives different files"));
    const TRegOptions alone = Load(OptionsFileBytes(QByteArray(), options));
    FUZZ_CHECK(Target, alone == options,
               QStringLiteral("the section alone reads as other settings:\n  read  %1\n  alone %2")
                   .arg(Describe(options), Describe(alone)));
    // The settings are a few hundred bytes whatever the file held: the file
    // grows by at most the section written.
    FUZZ_CHECK(Target, written.size() <= bytes.size() + 3 * (options.userName.size() + options.userPW.size()) * 4 + 1024,
               QStringLiteral("%1 bytes became %2").arg(bytes.size()).arg(written.size()));
}

} // namespace VexelFuzz
