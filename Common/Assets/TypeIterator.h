#pragma once
// The type walk: visits a reflected record's fields in table order and turns each value into serializer calls.
// The same walk reads (fields written) and writes (fields only read), so the binary layout and the JSON text
// follow from one set of rules.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "Common/Assets/AssetMetadata.h"
#include "Common/Assets/FieldTable.h"
#include "Common/Assets/SerializationInterface.h"

struct AccessPolicyMutable {
    static constexpr bool kWrites = true;
    using Serializer = InputSerializationInterface;
};

struct AccessPolicyConst {
    static constexpr bool kWrites = false;
    using Serializer = OutputSerializationInterface;
};

template <typename Iterator, typename AccessPolicy>
class TypeIteratorBase {
public:
    virtual ~TypeIteratorBase() = default;
};

namespace type_walk_detail {

template <typename T>
struct VectorOf : std::false_type {};
template <typename T, typename A>
struct VectorOf<std::vector<T, A>> : std::true_type {
    using Element = T;
};

template <typename T>
struct ArrayOf : std::false_type {};
template <typename T, std::size_t N>
struct ArrayOf<std::array<T, N>> : std::true_type {
    using Element = T;
    static constexpr std::size_t kCount = N;
};

template <typename T>
inline constexpr bool kUnsupported = false;

template <typename T>
constexpr uint64_t record_min_disk_size();

// The fewest bytes one value of T can take on disk; bounds the counts read from a file.
template <typename T, FieldEncoding E>
constexpr uint64_t min_disk_size() {
    if constexpr (E == FieldEncoding::ByteBlock) {
        return 8;
    } else if constexpr (E == FieldEncoding::Rgba8 && std::is_same_v<T, uint32_t>) {
        return 4;
    } else if constexpr (Reflected<T>) {
        return record_min_disk_size<T>();
    } else if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t> || std::is_same_v<T, uint16_t> ||
                         std::is_same_v<T, bool>) {
        return 8;
    } else if constexpr (std::is_same_v<T, float>) {
        return 4;
    } else if constexpr (std::is_same_v<T, glm::vec2>) {
        return 8;
    } else if constexpr (std::is_same_v<T, glm::vec4>) {
        return 16;
    } else if constexpr (std::is_same_v<T, glm::ivec2>) {
        return 16;
    } else if constexpr (std::is_same_v<T, std::string>) {
        return 8;
    } else if constexpr (std::is_same_v<T, Uuid>) {
        return 16;
    } else if constexpr (VectorOf<T>::value) {
        return 8;
    } else if constexpr (ArrayOf<T>::value) {
        return ArrayOf<T>::kCount * min_disk_size<typename ArrayOf<T>::Element, E>();
    } else {
        static_assert(kUnsupported<T>, "no encoding for this field type");
        return 0;
    }
}

template <typename T>
constexpr uint64_t record_min_disk_size() {
    return std::apply(
        [](const auto&... f) {
            return (uint64_t{0} + ... +
                    min_disk_size<typename std::remove_cvref_t<decltype(f)>::MemberType,
                                  std::remove_cvref_t<decltype(f)>::kEncoding>());
        },
        FieldTable<T>::fields);
}

} // namespace type_walk_detail

template <typename AccessPolicy>
class TypeWalk final : public TypeIteratorBase<TypeWalk<AccessPolicy>, AccessPolicy> {
public:
    using Serializer = typename AccessPolicy::Serializer;

    explicit TypeWalk(Serializer& serializer) : m_serializer(serializer) {}

    // The outermost record: begin_root, its fields, end_root.
    template <typename V>
    requires Reflected<std::remove_const_t<V>>
    void root(V& record) {
        m_serializer.begin_root();
        fields(record);
        m_serializer.end_root();
    }

    template <FieldEncoding E = FieldEncoding::Value, typename V>
    void value(std::string_view key, V& v) {
        using U = std::remove_const_t<V>;
        static_assert(!AccessPolicy::kWrites || !std::is_const_v<V>, "a reading walk needs writable fields");
        auto& s = m_serializer;
        if constexpr (E == FieldEncoding::ByteBlock) {
            static_assert(std::is_same_v<U, std::vector<uint8_t>>);
            uint64_t n = v.size();
            s.size(key, n);
            if constexpr (AccessPolicy::kWrites) {
                v.resize(accepted(key, n, 1));
            }
            s.bytes(key, v.data(), v.size());
        } else if constexpr (E == FieldEncoding::Rgba8 && std::is_same_v<U, uint32_t>) {
            s.bytes(key, &v, 4);
        } else if constexpr (Reflected<U>) {
            s.begin_object(key);
            fields(v);
            s.end_object();
        } else if constexpr (std::is_same_v<U, int32_t> || std::is_same_v<U, uint32_t>) {
            // Sign-extended from 32 bits on the way out; the low 32 bits kept on the way in.
            int64_t wide = static_cast<int32_t>(v);
            s.int64(key, wide);
            if constexpr (AccessPolicy::kWrites) {
                v = static_cast<U>(wide);
            }
        } else if constexpr (std::is_same_v<U, uint16_t>) {
            int64_t wide = v;
            s.int64(key, wide);
            if constexpr (AccessPolicy::kWrites) {
                v = static_cast<uint16_t>(wide);
            }
        } else if constexpr (std::is_same_v<U, bool>) {
            uint64_t wide = v ? 1 : 0;
            s.uint64(key, wide);
            if constexpr (AccessPolicy::kWrites) {
                v = wide != 0;
            }
        } else if constexpr (std::is_same_v<U, float>) {
            s.float32(key, v);
        } else if constexpr (std::is_same_v<U, glm::vec2>) {
            s.begin_array(key);
            s.float32("x", v.x);
            s.float32("y", v.y);
            s.end_array();
        } else if constexpr (std::is_same_v<U, glm::vec4>) {
            s.begin_array(key);
            s.float32("x", v.x);
            s.float32("y", v.y);
            s.float32("z", v.z);
            s.float32("w", v.w);
            s.end_array();
        } else if constexpr (std::is_same_v<U, glm::ivec2>) {
            s.begin_array(key);
            value("x", v.x);
            value("y", v.y);
            s.end_array();
        } else if constexpr (std::is_same_v<U, std::string>) {
            uint64_t n = v.size();
            s.size(key, n);
            if constexpr (AccessPolicy::kWrites) {
                v.resize(accepted(key, n, 1));
            }
            s.string(key, v);
        } else if constexpr (std::is_same_v<U, Uuid>) {
            s.bytes(key, v.data(), v.size());
        } else if constexpr (type_walk_detail::VectorOf<U>::value) {
            using Element = typename type_walk_detail::VectorOf<U>::Element;
            uint64_t n = v.size();
            s.size(key, n);
            if constexpr (AccessPolicy::kWrites) {
                v.resize(accepted(key, n, type_walk_detail::min_disk_size<Element, E>()));
            }
            s.begin_array(key);
            for (auto& element : v) {
                value<E>("", element);
            }
            s.end_array();
        } else if constexpr (type_walk_detail::ArrayOf<U>::value) {
            s.begin_array(key);
            for (auto& element : v) {
                value<E>("", element);
            }
            s.end_array();
        } else {
            static_assert(type_walk_detail::kUnsupported<U>, "no encoding for this field type");
        }
    }

private:
    template <typename V>
    void fields(V& record) {
        std::apply(
            [&](const auto&... f) {
                (value<std::remove_cvref_t<decltype(f)>::kEncoding>(f.name, record.*(f.member)), ...);
            },
            FieldTable<std::remove_const_t<V>>::fields);
    }

    uint64_t accepted(std::string_view key, uint64_t n, uint64_t element_bytes) {
        return m_serializer.accept_count(key, n, element_bytes) ? n : 0;
    }

    Serializer& m_serializer;
};

struct InputSerializer {
    using TypeIterator = TypeWalk<AccessPolicyMutable>;
};

struct OutputSerializer {
    using TypeIterator = TypeWalk<AccessPolicyConst>;
};

template <typename T>
void read_record(InputSerializationInterface& serializer, T& record) {
    InputSerializer::TypeIterator walk(serializer);
    walk.root(record);
}

template <typename T>
void write_record(OutputSerializationInterface& serializer, const T& record) {
    OutputSerializer::TypeIterator walk(serializer);
    walk.root(record);
}
