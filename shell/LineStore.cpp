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

QChar *LineStore::beginLine(qsizetype most)
{
    if (most > m_room) {
        const qsizetype size = std::max(most, kBlockCharacters);
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(static_cast<std::size_t>(size)));
        m_free = m_blocks.back().get();
        m_room = size;
    }
    return reinterpret_cast<QChar *>(m_free);
}

void LineStore::endLine(qsizetype length)
{
    Q_ASSERT(length <= m_room);
    m_lines.push_back({m_free, length});
    m_free += length;
    m_room -= length;
    if (!m_order.empty())
        m_order.push_back(size() - 1);
}

void LineStore::append(QStringView line)
{
    QChar *at = beginLine(line.size());
    if (!line.isEmpty())
        std::memcpy(at, line.data(), static_cast<std::size_t>(line.size()) * sizeof(QChar));
    endLine(line.size());
}

void LineStore::setOrder(std::vector<qsizetype> order)
{
    Q_ASSERT(static_cast<qsizetype>(order.size()) == size());
    m_order = std::move(order);
}
