#pragma once

#include <array>
#include <span>
#include <string_view>

enum class FieldKind { Text, YesNo };

struct FieldDef {
    std::string_view name;
    int maxLength = 0;
    FieldKind kind = FieldKind::Text;
    int offset = 0; // filled in by placeFields()

    constexpr int size() const { return maxLength + 1; }
};

// A record layout: its fields in record order, each right after the previous one.
struct RecordLayout {
    std::string_view kind;
    std::span<const FieldDef> fields;
    int recordSize = 0;

    constexpr int fieldCount() const { return static_cast<int>(fields.size()); }
    constexpr const FieldDef &field(int index) const { return fields[static_cast<std::size_t>(index)]; }
    constexpr int indexOf(std::string_view name) const
    {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].name == name)
                return static_cast<int>(i);
        }
        return -1;
    }
};

// Gives every field its offset: the sum of the sizes of the fields before it.
template <std::size_t N>
constexpr std::array<FieldDef, N> placeFields(std::array<FieldDef, N> fields)
{
    int offset = 0;
    for (FieldDef &field : fields) {
        field.offset = offset;
        offset += field.size();
    }
    return fields;
}

template <std::size_t N>
constexpr int recordSizeOf(const std::array<FieldDef, N> &fields)
{
    int size = 0;
    for (const FieldDef &field : fields)
        size += field.size();
    return size;
}

template <std::size_t N>
constexpr bool lengthsAreValid(const std::array<FieldDef, N> &fields)
{
    for (const FieldDef &field : fields) {
        if (field.maxLength < 1 || field.maxLength > 255)
            return false;
        if (field.kind == FieldKind::YesNo && field.maxLength != 2)
            return false;
    }
    return true;
}
