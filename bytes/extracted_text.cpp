#include "bytes/extracted_text.h"

#include "bytes/cp932.h"

ExtractedText::ExtractedText(size_t byteLimit)
    : m_byteLimit(byteLimit < UINT32_MAX ? byteLimit : UINT32_MAX) {}

size_t ExtractedText::Room() const {
    if (m_full || m_byteLimit - m_used < kLineCost) return 0;
    return m_byteLimit - m_used - kLineCost;
}

bool ExtractedText::Add(TextKind kind, std::string_view text) {
    if (m_full) return false;
    if (m_byteLimit - m_used < kLineCost) {
        m_full = true;
        return false;
    }
    size_t room = Room();
    if (text.size() > room) {
        // Cut at the last character boundary within the room.
        size_t cut = 0;
        while (cut < text.size()) {
            size_t next = cut + Cp932CharLength(text, cut);
            if (next > room) break;
            cut = next;
        }
        text = text.substr(0, cut);
        m_full = true;
    }
    m_bytes.append(text);
    m_lines.push_back({static_cast<uint32_t>(m_bytes.size()), kind});
    m_used += text.size() + kLineCost;
    if (m_used >= m_byteLimit) m_full = true;
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
}
