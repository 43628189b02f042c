#include "bytes/extracted_text.h"

#include "bytes/cp932.h"

bool ExtractedText::Add(TextKind kind, std::string_view text) {
    if (m_full) return false;
    size_t room = m_byteLimit - m_bytes.size();
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
    m_lines.push_back({m_bytes.size(), kind});
    if (m_bytes.size() >= m_byteLimit) m_full = true;
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
    m_full = false;
}
