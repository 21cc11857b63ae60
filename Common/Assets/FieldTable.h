#pragma once
// Static field tables: per reflected record type, its fields in declaration order with their keys.

#include <tuple>

// How a field's bytes travel when its C++ type alone does not say it.
enum class FieldEncoding {
    Value,     // by the field's type
    Rgba8,     // u32 colours (alone or as elements) as 4 raw bytes each
    ByteBlock, // a byte vector as one size and one raw block
};

template <typename Class, typename Member, FieldEncoding Encoding>
struct Field {
    using ClassType = Class;
    using MemberType = Member;
    static constexpr FieldEncoding kEncoding = Encoding;

    // The key; a member pointer stands for the field's offset within the record.
    const char* name;
    Member Class::*member;
};

template <FieldEncoding Encoding = FieldEncoding::Value, typename Class, typename Member>
constexpr Field<Class, Member, Encoding> field(const char* name, Member Class::*member) {
    return {name, member};
}

// Specialised for every reflected type with `static constexpr auto fields = std::make_tuple(field(...), ...)`.
template <typename T>
struct FieldTable;

template <typename T>
concept Reflected = requires {
    FieldTable<T>::fields;
};
