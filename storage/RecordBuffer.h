#pragma once

#include "storage/RecordLayout.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>

// One record's bytes in a given layout. Storing a text changes only the length
// byte and the characters written; the rest of the field keeps what it held.
class RecordBuffer
{
public:
    explicit RecordBuffer(const RecordLayout &layout);

    const RecordLayout &layout() const { return *m_layout; }
    int size() const { return m_layout->recordSize; }
    char *data() { return m_bytes.data(); }
    const char *constData() const { return m_bytes.constData(); }
    const QByteArray &bytes() const { return m_bytes; }
    // The whole record, as record files and line builders take it.
    std::span<const char> span() const { return {m_bytes.constData(), static_cast<std::size_t>(m_bytes.size())}; }
    // Replaces all bytes; `bytes` must be exactly one record long.
    void setBytes(QByteArrayView bytes);

    std::span<char> fieldBytes(int field);
    std::span<const char> fieldBytes(int field) const;

    QString text(int field) const;
    void setText(int field, QStringView text);

    // true for "Sì", false for "No", nothing for any other content.
    std::optional<bool> yesNo(int field) const;
    void setYesNo(int field, bool yes);

private:
    const RecordLayout *m_layout;
    QByteArray m_bytes;
};

// The record buffer of a screen class: one per class, shared by all its windows,
// zero-filled at start and kept for the whole run.
template <typename ScreenClass>
RecordBuffer &screenRecordBuffer(const RecordLayout &layout)
{
    static RecordBuffer buffer(layout);
    Q_ASSERT(&buffer.layout() == &layout);
    return buffer;
}
