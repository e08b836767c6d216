#include "io/SettingsFile.h"

#include "core/FileAccess.h"
#include "io/Gbk.h"
#include "io/ProductInfo.h"
#include "core/VexelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>

#include <cerrno>
#include <limits>

namespace {

const QByteArray SectionName = QByteArrayLiteral("TRegOptions");
const QByteArray NameKey = QByteArrayLiteral("userName");
const QByteArray PasswordKey = QByteArrayLiteral("userPW");
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// A settings file is well under a KiB; a file beyond this is not ours to
// parse, and reading it whole could exhaust memory.
constexpr qint64 MaxSettingsFileSize = 4 * 1024 * 1024;

// The scramble key is derived from the digits of the download request's
// version text so that it is not a literal pair in the binary.
constexpr const char *ProtocolVersion = RequestVersion;

struct ScrambleKey
{
    quint8 k0;
    quint8 k1;
};

// k0 = 4, k1 = 7. Small enough that the words "userName" and "userPW"
// unscramble to printable ASCII, which a first run shows as the member name
// and password.
ScrambleKey MakeScrambleKey()
{
    return {quint8(ProtocolVersion[0] - '0' + 3), quint8(ProtocolVersion[3] - '0' + 1)};
}

// The numeric keys after the two texts, in file order; exactly one of the
// two member pointers is set.
struct NumberKey
{
    const char *name;
    qint32 TRegOptions::*integer;
    bool TRegOptions::*boolean;
};

const NumberKey NumberKeys[] = {
    {"LinedDistMinSe", &TRegOptions::LinedDistMinSe, nullptr},
    {"LinedDistMaxSe", &TRegOptions::LinedDistMaxSe, nullptr},
    {"LinedPtMinSe", &TRegOptions::LinedPtMinSe, nullptr},
    {"LinedPtMaxSe", &TRegOptions::LinedPtMaxSe, nullptr},
    {"ClearDupChk", nullptr, &TRegOptions::ClearDupChk},
    {"RefSumChk", nullptr, &TRegOptions::RefSumChk},
    {"InterMinSe", &TRegOptions::InterMinSe, nullptr},
    {"InterMaxSe", &TRegOptions::InterMaxSe, nullptr},
    {"MaxYOfSecSe", &TRegOptions::MaxYOfSecSe, nullptr},
    {"RefTailChk", nullptr, &TRegOptions::RefTailChk},
    {"FallTargetAnyChk", nullptr, &TRegOptions::FallTargetAnyChk},
    {"SecCountSe", &TRegOptions::SecCountSe, nullptr},
    {"SumContrastGbx", &TRegOptions::SumContrastGbx, nullptr},
    {"FallTargetGbx", &TRegOptions::FallTargetGbx, nullptr},
    {"FallStyleGbx", &TRegOptions::FallStyleGbx, nullptr},
};

// A scrambled byte can be anything, but an INI value cannot hold line breaks
// or keep leading and trailing blanks. Such bytes, DEL and the escape
// character itself are written as %XX.
bool NeedsEscape(char c)
{
    const auto b = quint8(c);
    return b < 0x21 || b == 0x7F || c == '%';
}

QByteArray EscapeValue(const QByteArray &bytes)
{
    static const char Hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (NeedsEscape(c)) {
            out += '%';
            out += Hex[quint8(c) >> 4];
            out += Hex[quint8(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A '%' not followed by two hex digits is kept as it is.
QByteArray UnescapeValue(const QByteArray &value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            const int hi = HexValue(value[i + 1]);
            const int lo = HexValue(value[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

// Decimal with an optional sign, nothing else, within 32 bits.
bool ReadInteger(const QByteArray &text, qint32 &value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    qint64 result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
        if (result > qint64(std::numeric_limits<qint32>::max()) + 1)
            return false;
    }
    if (negative)
        result = -result;
    if (result < std::numeric_limits<qint32>::min() || result > std::numeric_limits<qint32>::max())
        return false;
    value = qint32(result);
    return true;
}

struct RawLine
{
    QByteArray text;       // without its line end
    QByteArray terminator; // CR, LF, CR LF, or empty for a last line without one
};

QList<RawLine> SplitRawLines(const QByteArray &bytes)
{
    QList<RawLine> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        const qsizetype endLength = (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
        lines.append({bytes.mid(start, i - start), bytes.mid(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < n)
        lines.append({bytes.mid(start), QByteArray()});
    return lines;
}

// The name of a section header line, or a null array when the line is none.
// A byte order mark an editor may have put before the first line is skipped.
QByteArray HeaderName(QByteArray line, bool firstLine)
{
    if (firstLine && line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    line = line.trimmed();
    const qsizetype close = line.indexOf(']');
    if (!line.startsWith('[') || close < 0)
        return QByteArray();
    return line.mid(1, close - 1).trimmed();
}

bool IsOurSection(const QByteArray &name)
{
    return name.compare(SectionName, Qt::CaseInsensitive) == 0;
}

enum class ReadResult { Ok, Missing, TooLarge, Failed };

// Reads the whole file, refusing one larger than the limit.
ReadResult ReadSettingsBytes(const QString &path, QByteArray &bytes, QString &error)
{
    const QFileInfo info(path);
    // A link that leads nowhere, or round in a loop, is there all the same.
    if (!info.exists() && !info.isSymLink())
        return ReadResult::Missing;
    if (FileAccess::ReadRegular(path, MaxSettingsFileSize, bytes, error))
        return ReadResult::Ok;
    bytes.clear();
    return info.isFile() && info.size() > MaxSettingsFileSize ? ReadResult::TooLarge : ReadResult::Failed;
}

// Keeps a file too large to be ours under the first free backup name, so
// that new settings can be written without losing it.
void SetAside(const QString &path)
{
    for (int n = 1; n <= 99; ++n) {
        const QString backup = path + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        if (!QFileInfo(backup).exists() && !QFileInfo(backup).isSymLink())
            if (QFile::rename(path, backup))
                return;
    }
    throw EVexelError(QStringLiteral("Cannot keep the oversized settings file '%1' under a backup name").arg(path));
}

// Keys of every [TRegOptions] section, lower-cased, with their trimmed
// values; the first occurrence of a key wins.
QHash<QByteArray, QByteArray> ReadOurKeys(const QByteArray &bytes)
{
    QHash<QByteArray, QByteArray> values;
    bool inSection = false;
    bool first = true;
    for (const RawLine &line : SplitRawLines(bytes)) {
        const QByteArray header = HeaderName(line.text, first);
        first = false;
        if (!header.isNull()) {
            inSection = IsOurSection(header);
            continue;
        }
        const qsizetype eq = line.text.indexOf('=');
        if (!inSection || eq < 0)
            continue;
        const QByteArray key = line.text.left(eq).trimmed().toLower();
        if (!values.contains(key))
            values.insert(key, line.text.mid(eq + 1).trimmed());
    }
    return values;
}

// Sets `text` to the member name or password stored under `key`, and
// `bytes` to its stored bytes when they are not valid text and so would
// not come back from the text; otherwise `bytes` is emptied.
void ReadText(const QHash<QByteArray, QByteArray> &values, const QByteArray &key, QString &text,
              QByteArray &bytes)
{
    // A missing key reads as the key's own name, which then goes through
    // the same unscrambling as a stored value.
    const QByteArray stored = UnscrambleText(UnescapeValue(values.value(key.toLower(), key)));
    text = DecodeGb18030(stored);
    bytes = EncodeGb18030(text) == stored ? QByteArray() : stored;
}

// The bytes read for a text are written back as long as the text is the one
// read from them, so a name that is not valid text never changes on a save.
QByteArray WriteText(const QString &text, const QByteArray &bytesRead)
{
    const bool unchanged = !bytesRead.isEmpty() && DecodeGb18030(bytesRead) == text;
    return EscapeValue(ScrambleText(unchanged ? bytesRead : EncodeGb18030(text)));
}

QByteArray SectionText(const TRegOptions &options)
{
    QByteArray out = '[' + SectionName + ']' + LineEnd;
    out += NameKey + '=' + WriteText(options.userName, options.userNameBytes) + LineEnd;
    out += PasswordKey + '=' + WriteText(options.userPW, options.userPWBytes) + LineEnd;
    for (const NumberKey &key : NumberKeys) {
        const QByteArray value = key.integer ? QByteArray::number(options.*key.integer)
                                             : QByteArray(options.*key.boolean ? "1" : "0");
        out += key.name + ('=' + value) + LineEnd;
    }
    return out;
}

bool IsBlank(const QByteArray &line)
{
    return line.trimmed().isEmpty();
}

// The existing file with every [TRegOptions] section taken out and the new
// section put where the first one stood (or at the end). Blank lines that
// closed an old section are kept, so the spacing between sections stays.
QByteArray MergeSection(const QByteArray &existing, const QByteArray &section)
{
    QByteArray out;
    bool written = false;
    bool inSection = false;
    QList<RawLine> trailingBlanks;

    const auto ensureLineEnd = [&out] {
        if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
            out += LineEnd;
    };
    const auto closeSection = [&] {
        for (const RawLine &blank : trailingBlanks)
            out += blank.text + blank.terminator;
        trailingBlanks.clear();
    };

    bool first = true;
    for (const RawLine &line : SplitRawLines(existing)) {
        const QByteArray header = HeaderName(line.text, first);
        first = false;
        if (!header.isNull()) {
            if (inSection)
                closeSection();
            inSection = IsOurSection(header);
            if (inSection && !written) {
                ensureLineEnd();
                out += section;
                written = true;
            }
            if (inSection)
                continue;
        }
        if (!inSection)
            out += line.text + line.terminator;
        else if (IsBlank(line.text))
            trailingBlanks.append(line);
        else
            trailingBlanks.clear();
    }
    if (inSection)
        closeSection();
    if (!written) {
        ensureLineEnd();
        out += section;
    }
    return out;
}

} // namespace

QString SettingsFilePath(const QString &programFolder)
{
    const QString fileName = QLatin1String(ProductIdentifier) + QStringLiteral(".ini");
    // An empty folder would otherwise turn into the file system root.
    if (programFolder.isEmpty())
        return fileName;
    if (programFolder.endsWith(QLatin1Char('/')) || programFolder.endsWith(QLatin1Char('\\')))
        return programFolder + fileName;
    return programFolder + QLatin1Char('/') + fileName;
}

QByteArray ScrambleText(const QByteArray &plain)
{
    const ScrambleKey key = MakeScrambleKey();
    QByteArray out(plain.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < plain.size(); ++i)
        out[i] = char(quint8(quint8(plain[i]) + key.k0 + quint8(i) * key.k1));
    return out;
}

QByteArray UnscrambleText(const QByteArray &stored)
{
    const ScrambleKey key = MakeScrambleKey();
    QByteArray out(stored.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < stored.size(); ++i)
        out[i] = char(quint8(quint8(stored[i]) - key.k0 - quint8(i) * key.k1));
    return out;
}

TRegOptions LoadOptions(const QString &iniPath, QString *problem)
{
    QByteArray bytes;
    QString error;
    const QString shown = QDir::toNativeSeparators(iniPath);
    // An unusable file gives the start defaults, as a missing one does.
    switch (ReadSettingsBytes(iniPath, bytes, error)) {
    case ReadResult::Ok:
    case ReadResult::Missing:
        break;
    case ReadResult::TooLarge:
        if (problem)
            *problem = QStringLiteral("设置文件“%1”超过 %2 MiB，不像是本程序的设置文件，没有读取，"
                                      "程序使用默认的设置。\r\n关闭程序或确认设置时，这个文件改名保留"
                                      "（文件名后加上 .bak），设置写入新的设置文件。")
                           .arg(shown).arg(MaxSettingsFileSize / (1024 * 1024));
        break;
    case ReadResult::Failed:
        if (problem)
            *problem = QStringLiteral("无法读取设置文件“%1”：%2。\r\n"
                                      "程序使用默认的设置，修改的设置也无法保存到这个文件。")
                           .arg(shown, error);
        break;
    }
    return LoadOptionsFromBytes(bytes);
}

TRegOptions ReadOptionsFile(const QString &iniPath)
{
    QByteArray bytes;
    QString error;
    switch (ReadSettingsBytes(iniPath, bytes, error)) {
    case ReadResult::Ok:
        return LoadOptionsFromBytes(bytes);
    case ReadResult::Missing:
        error = FileAccess::CauseText(ENOENT, false);
        break;
    case ReadResult::TooLarge:
    case ReadResult::Failed:
        break;
    }
    throw EVexelError(QStringLiteral("Cannot read settings file '%1': %2").arg(iniPath, error));
}

TRegOptions LoadOptionsFromBytes(const QByteArray &bytes)
{
    TRegOptions options;
    const QHash<QByteArray, QByteArray> values = ReadOurKeys(bytes);
    ReadText(values, NameKey, options.userName, options.userNameBytes);
    ReadText(values, PasswordKey, options.userPW, options.userPWBytes);
    for (const NumberKey &key : NumberKeys) {
        const auto found = values.constFind(QByteArray(key.name).toLower());
        qint32 value = 0;
        if (found == values.cend() || !ReadInteger(*found, value))
            continue;
        if (key.integer)
            options.*key.integer = value;
        else
            options.*key.boolean = value != 0;
    }
    options.RefWidthSe = 0;
    return options;
}

void SaveOptions(const QString &iniPath, const TRegOptions &options)
{
    QByteArray existing;
    QString error;
    // An existing file that cannot be read is not overwritten: its other
    // sections would be lost. One too large to be ours is kept aside whole.
    switch (ReadSettingsBytes(iniPath, existing, error)) {
    case ReadResult::Ok:
    case ReadResult::Missing:
        break;
    case ReadResult::TooLarge:
        SetAside(iniPath);
        break;
    case ReadResult::Failed:
        throw EVexelError(QStringLiteral("Cannot read settings file '%1': %2").arg(iniPath, error));
    }

    if (!FileAccess::WriteAtomically(iniPath, OptionsFileBytes(existing, options), error))
        throw EVexelError(QStringLiteral("Cannot write settings file '%1': %2").arg(iniPath, error));
}

QByteArray OptionsFileBytes(const QByteArray &existing, const TRegOptions &options)
{
    return MergeSection(existing, SectionText(options));
}
