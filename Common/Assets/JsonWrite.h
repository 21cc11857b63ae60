#pragma once
// Compact JSON of any reflected record (the particle designer's export).

#include <ostream>
#include <sstream>
#include <string>

#include "Common/Assets/AssetFields.h"
#include "Common/Assets/JsonOutputSerialization.h"
#include "Common/Assets/TypeIterator.h"

template <typename T>
void write_json(std::ostream& stream, const T& record) {
    JsonOutputSerialization json(stream);
    write_record(json, record);
}

template <typename T>
std::string to_json(const T& record) {
    std::ostringstream text;
    write_json(text, record);
    return text.str();
}
