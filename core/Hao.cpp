#include "core/Hao.h"

#include <atomic>
#include "core/StreamLimits.h"
#include "core/VexelError.h"

#include <QDataStream>
#include <QSysInfo>
#include <QtEndian>
#include <cstring>

int TCodes::Add()
{
    SetCount(m_count + 1);
    m_records[size_t(m_count - 1)].fill(0);
    return m_count - 1;
}

void TCodes::Clear()
{
    SetCount(0);
}

void TCodes::SetCount(int newCount)
{
    if (newCount < 0)
        throw EVexelError(QStringLiteral("TCodes.SetCount NewCount is not valid!"));
    if (newCount == m_count)
        return;
    m_changed = true;
    Touch();
    m_records.resize(size_t(newCount), TCode{});
    m_count = newCount;
}

TCode TCodes::GetCode(int index) const
{
    if (!IndexValid(index))
        throw EVexelError(QStringLiteral("TCodes.GeTCode Err!"));
    return m_records[size_t(index)];
}

void TCodes::SetCode(int index, const TCode &code)
{
    if (!IndexValid(index))
        throw EVexelError(QStringLiteral("SetCode Err!"));
    TCode &stored = m_records[size_t(index)];
    if (stored == code)
        return;
    stored = code;
    m_changed = true;
    Touch();
    UpdateSum(index);
}

qint32 TCodes::GetNum(int position, int index) const
{
    if (!IndexValid(index) || !PositionValid(position))
        throw EVexelError(QStringLiteral("TCodes.GetNum Err!"));
    return m_records[size_t(index)][size_t(position)];
}

void TCodes::SetNum(int position, int index, int value)
{
    if (!IndexValid(index) || !PositionValid(position) || !DigitValid(value))
        throw EVexelError(QStringLiteral("SetNum Err!"));
    m_records[size_t(index)][size_t(position)] = value;
    m_changed = true;
    Touch();
    UpdateSum(index);
}

int TCodes::IndexState(int index) const
{
    if (IndexValid(index))
        return 0;
    return index == m_count ? 1 : 2;
}

void TCodes::UpdateSum(int index)
{
    TCode &r = m_records[size_t(index)];
    r[0] = r[1] + r[2] + r[3] + r[4];
}

void TCodes::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TCodes *>(&source);
    if (!other)
        throw EVexelError(QStringLiteral("TCodes.Assign Source isnot valid!"));
    if (other == this)
        return;
    Clear();
    m_firstNumber = other->m_firstNumber;
    m_changed = true;
    Touch();
    SetCount(other->m_count);
    m_records = other->m_records;
}

void TCodes::AssignTo(TPersistent &destination) const
{
    auto *other = dynamic_cast<TCodes *>(&destination);
    if (!other)
        throw EVexelError(QStringLiteral("TCodes.AssignTo Dest isnot valid!"));
    other->Assign(*this);
}

void TCodes::LoadFromStream(QDataStream &stream)
{
    stream.setByteOrder(QDataStream::LittleEndian);
    Clear();
    qint32 first = 0;
    qint32 count = 0;
    stream >> first >> count;
    m_firstNumber = first;
    if (count > 0 && !StreamLimits::Plausible(stream, count, RecordSize))
        throw EVexelError(QStringLiteral("TCodes.SetCount NewCount is not valid!"));
    SetCount(count);
    // The records are read a block at a time: value by value, a history of
    // tens of millions of draws took a minute. What a stream cut short does
    // not hold stays zero, a value it holds only part of included.
    char *bytes = reinterpret_cast<char *>(m_records.data());
    const qint64 total = qint64(m_records.size()) * RecordSize;
    qint64 at = 0;
    while (at < total) {
        const int read = stream.readRawData(bytes + at, int(qMin(BlockBytes, total - at)));
        if (read <= 0)
            break;
        at += read;
    }
    if (at < total)
        std::memset(bytes + at / 4 * 4, 0, size_t(at % 4));
    if constexpr (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        for (TCode &record : m_records)
            for (qint32 &value : record)
                value = qFromLittleEndian(value);
    m_changed = false;
    Touch();
}

void TCodes::SaveToStream(QDataStream &stream) const
{
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << m_firstNumber << m_count;
    if constexpr (QSysInfo::ByteOrder != QSysInfo::LittleEndian) {
        for (const TCode &record : m_records)
            for (qint32 value : record)
                stream << value;
        return;
    }
    const char *bytes = reinterpret_cast<const char *>(m_records.data());
    const qint64 total = qint64(m_records.size()) * RecordSize;
    for (qint64 at = 0; at < total; at += BlockBytes)
        stream.writeRawData(bytes + at, int(qMin(BlockBytes, total - at)));
}

void TCodes::Touch()
{
    // One counter for every list: equal revisions mean equal contents, also
    // between a list and its copy.
    static std::atomic<quint64> last{0};
    m_revision = ++last;
}
