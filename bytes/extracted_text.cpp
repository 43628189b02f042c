#include "bytes/extracted_text.h"

#include <algorithm>

#include "bytes/cp932.h"

ExtractedText::ExtractedText(size_t byteLimit)
    : m_byteLimit(byteLimit < UINT32_MAX ? byteLimit : UINT32_MAX) {}

namespace {

// `text` cut at the last character boundary at or before `size`.
std::string_view CutAt(std::string_view text, size_t size) {
    if (text.size() <= size) return text;
    size_t cut = 0;
    while (cut < text.size()) {
        size_t next = cut + Cp932CharLength(text, cut);
        if (next > size) break;
        cut = next;
    }
    return text.substr(0, cut);
}

}  // namespace

size_t ExtractedText::Room() const {
    if (m_full) return 0;
    // With a flush, a line that does not fit empties the text first.
    size_t left = m_flush ? m_byteLimit : m_byteLimit - m_used;
    if (left < kLineCost) return 0;
    return std::min(left - kLineCost, kLineCap);
}

bool ExtractedText::Add(TextKind kind, std::string_view text) {
    if (m_full) return false;
    text = CutAt(text, kLineCap);
    auto fits = [&] { return m_byteLimit - m_used >= kLineCost + text.size(); };
    if (!fits() && m_flush && !m_lines.empty()) {
        if (!m_flush(*this)) {
            m_full = true;
            return false;
        }
        m_bytes.clear();
        m_lines.clear();
        m_used = 0;
        m_flushed = true;
    }
    if (!fits()) {
        if (m_byteLimit - m_used < kLineCost) {
            m_full = true;
            return false;
        }
        text = CutAt(text, m_byteLimit - m_used - kLineCost);
        m_full = true;
    }
    m_bytes.append(text);
    m_lines.push_back({static_cast<uint32_t>(m_bytes.size()), kind});
    m_used += text.size() + kLineCost;
    // Without a flush, a text that has reached its limit takes nothing more;
    // with one, the next line flushes it.
    if (m_used >= m_byteLimit && !m_flush) m_full = true;
    return !m_full;
}

TextLine ExtractedText::operator[](size_t index) const {
    size_t begin = index == 0 ? 0 : m_lines[index - 1].end;
    return {m_lines[index].kind,
            std::string_view(m_bytes).substr(begin, m_lines[index].end - begin)};
}

std::string ExtractedText::Joined() const {
    std::string joined;
    joined.reserve(m_bytes.size() + 2 * m_lines.size());
    for (size_t i = 0; i < m_lines.size(); ++i) {
        std::string_view line = (*this)[i].text;
        joined.append(line);
        joined += "\r\n";
    }
    return joined;
}

void ExtractedText::Clear() {
    m_bytes.clear();
    m_lines.clear();
    m_used = 0;
    m_full = false;
    m_flushed = false;
}
