#pragma once

#include "core/Persistent.h"

#include <QtGlobal>
#include <array>
#include <vector>

class QDataStream;

// One draw: position 0 is the sum of the digits at positions 1 to 4 (kept up
// to date by TCodes), positions 1 to 7 are the draw's seven digits.
using TCode = std::array<qint32, 8>;

// The ordered draw history, oldest draw first, addressed by a zero-based index.
class TCodes : public TPersistent
{
public:
    static constexpr int RecordSize = 32;
    static_assert(sizeof(TCode) == RecordSize);

    TCodes() = default;
    TCodes(const TCodes &other) = default;
    TCodes &operator=(const TCodes &other) = default;
    // A history read or built off the interface thread is moved into place.
    TCodes(TCodes &&other) noexcept = default;
    TCodes &operator=(TCodes &&other) noexcept = default;
    ~TCodes() override = default;

    int Add();
    void Clear();
    void SetCount(int newCount);
    int Count() const { return m_count; }

    TCode GetCode(int index) const;
    void SetCode(int index, const TCode &code);
    qint32 GetNum(int position, int index) const;
    void SetNum(int position, int index, int value);

    // Unchecked read for the search's inner loops; the caller keeps the
    // index and position in range.
    qint32 At(int position, int index) const { return m_records[size_t(index)][size_t(position)]; }

    bool IndexValid(int index) const { return index >= 0 && index < m_count; }
    // 0 inside the list, 1 for the slot just past the end, 2 otherwise.
    int IndexState(int index) const;
    static bool PositionValid(int position) { return position >= 0 && position <= 7; }
    static bool DigitValid(int value) { return value >= 0 && value <= 9; }

    qint32 FirstNumber() const { return m_firstNumber; }
    // Whether the draws changed since creation or the last ResetChanged
    // (reading them from a stream resets it too).
    bool Changed() const { return m_changed; }
    void ResetChanged() { m_changed = false; }
    // Changes whenever the records or their number change; a copy has the
    // revision of its source. Lets views skip work when nothing changed.
    quint64 Revision() const { return m_revision; }

    void Assign(const TPersistent &source) override;
    void AssignTo(TPersistent &destination) const override;

    void LoadFromStream(QDataStream &stream);
    void SaveToStream(QDataStream &stream) const;

private:
    void UpdateSum(int index);
    void Touch();

    // Records are streamed this many bytes at a time.
    static constexpr qint64 BlockBytes = qint64(1) << 20;

    qint32 m_firstNumber = 1;
    std::vector<TCode> m_records;
    qint32 m_count = 0;
    bool m_changed = true;
    quint64 m_revision = 0;
};
