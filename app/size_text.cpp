#include "app/size_text.h"

namespace {
constexpr int64_t kLargestNumber = 1'000'000'000'000'000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

int64_t LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t number = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        number = number * 10 + (text[i] - '0');
        if (number > kLargestNumber) {
            number = kLargestNumber;
            break;
        }
    }
    return negative ? -number : number;
}

bool IsUnsignedDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    size_t digits = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == digits) return false;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i == text.size();
}
