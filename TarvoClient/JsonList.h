#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoBase/JsonReader.h"

namespace tarvo {

// The elements of a JSON array read as records; one bad element fails the whole list.
template <class Record>
std::vector<Record> recordList(const Json& array, std::string_view path) {
    std::vector<Record> records;
    records.reserve(array.size());
    for (std::size_t index = 0; index < array.size(); ++index) {
        records.push_back(Record::fromJson(array[index], JsonReader::elementPath(path, index)));
    }
    return records;
}

inline std::vector<std::string> stringList(const Json& array, std::string_view path) {
    std::vector<std::string> texts;
    texts.reserve(array.size());
    for (std::size_t index = 0; index < array.size(); ++index) {
        texts.push_back(JsonReader::asString(array[index], JsonReader::elementPath(path, index)));
    }
    return texts;
}

} // namespace tarvo
