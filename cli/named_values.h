#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// A value the command line names ("size" for SortKey::Size). One table of
// these serves both the parser and the usage text that lists the names.
template <typename T>
struct NamedValue {
    std::string_view name;
    T value;
};

// The value `name` names exactly; nothing for any other text.
template <typename T>
std::optional<T> ValueNamed(std::span<const NamedValue<T>> table, std::string_view name) {
    for (const NamedValue<T>& entry : table) {
        if (entry.name == name) return entry.value;
    }
    return std::nullopt;
}

// The names in table order with `separator` between them ("name|type|size").
template <typename T>
std::string JoinNames(std::span<const NamedValue<T>> table, std::string_view separator) {
    std::string joined;
    for (const NamedValue<T>& entry : table) {
        if (!joined.empty()) joined += separator;
        joined += entry.name;
    }
    return joined;
}
