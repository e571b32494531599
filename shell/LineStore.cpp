#include "shell/LineStore.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype kBlockCharacters = qsizetype(1) << 15;

} // namespace

LineStore LineStore::fromList(const QStringList &lines)
{
    LineStore store;
    for (const QString &line : lines)
        store.append(line);
    return store;
}

QStringList LineStore::toList() const
{
    QStringList lines;
    lines.reserve(size());
    for (qsizetype row = 0; row < size(); ++row)
        lines << at(row).toString();
    return lines;
}

QChar *LineStore::appendLine(qsizetype length)
{
    if (length > m_room) {
        const qsizetype size = std::max(length, kBlockCharacters);
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(static_cast<std::size_t>(size)));
        m_free = m_blocks.back().get();
        m_room = size;
    }
    char16_t *begin = m_free;
    m_free += length;
    m_room -= length;
    m_lines.push_back({begin, length});
    if (!m_order.empty())
        m_order.push_back(size() - 1);
    return reinterpret_cast<QChar *>(begin);
}

void LineStore::append(QStringView line)
{
    QChar *at = appendLine(line.size());
    if (!line.isEmpty())
        std::memcpy(at, line.data(), static_cast<std::size_t>(line.size()) * sizeof(QChar));
}

void LineStore::setOrder(std::vector<qsizetype> order)
{
    Q_ASSERT(static_cast<qsizetype>(order.size()) == size());
    m_order = std::move(order);
}
