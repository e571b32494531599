#include "storage/RecordBuffer.h"

#include "storage/TextField.h"

#include <cstring>

RecordBuffer::RecordBuffer(const RecordLayout &layout)
    : m_layout(&layout)
    , m_bytes(layout.recordSize, '\0')
{
}

void RecordBuffer::setBytes(QByteArrayView bytes)
{
    Q_ASSERT(bytes.size() == m_bytes.size());
    std::memcpy(m_bytes.data(), bytes.data(), static_cast<std::size_t>(m_bytes.size()));
}

std::span<char> RecordBuffer::fieldBytes(int field)
{
    const FieldDef &def = m_layout->field(field);
    return {m_bytes.data() + def.offset, static_cast<std::size_t>(def.size())};
}

std::span<const char> RecordBuffer::fieldBytes(int field) const
{
    const FieldDef &def = m_layout->field(field);
    return {m_bytes.constData() + def.offset, static_cast<std::size_t>(def.size())};
}

QString RecordBuffer::text(int field) const
{
    return TextField::load(fieldBytes(field));
}

void RecordBuffer::setText(int field, QStringView text)
{
    TextField::store(fieldBytes(field), text);
}

std::optional<bool> RecordBuffer::yesNo(int field) const
{
    const QString value = text(field);
    if (value == TextField::yesText())
        return true;
    if (value == TextField::noText())
        return false;
    return std::nullopt;
}

void RecordBuffer::setYesNo(int field, bool yes)
{
    TextField::storeYesNo(fieldBytes(field), yes);
}
