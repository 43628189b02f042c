#include "extract/dxf_entity_text.h"

#include "bytes/spaces.h"
#include "bytes/utf8.h"

namespace {

// Structural values (entity and section names, markers, header values) may
// carry padding spaces.
std::string_view Trimmed(std::string_view value) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.remove_suffix(1);
    return value;
}

bool IsAscii(std::string_view text) {
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    }
    return true;
}

// "AC1021" (AutoCAD 2007) and later store text as UTF-8.
bool StoresUtf8(std::string_view version) {
    if (version.size() != 6 || version.substr(0, 2) != "AC") return false;
    int number = 0;
    for (char ch : version.substr(2)) {
        if (ch < '0' || ch > '9') return false;
        number = number * 10 + (ch - '0');
    }
    return number >= 1021;
}

}  // namespace

bool DxfEntityText::Watching() const {
    if (m_awaitSectionName || m_section == Section::Header) return true;
    return (m_section == Section::Entities || m_section == Section::Blocks) &&
           m_entity != Entity::Other;
}

bool DxfEntityText::WantsInPlace(int code) const {
    if (m_awaitSectionName) return true;
    switch (m_section) {
        case Section::Header:
            return code == 9 || (code == 1 && m_headerVariable == HeaderVariable::AcadVer) ||
                   (code == 3 && m_headerVariable == HeaderVariable::DwgCodePage);
        case Section::Entities:
        case Section::Blocks:
            break;
        default:
            return false;
    }
    switch (m_entity) {
        case Entity::Text:
        case Entity::Dimension:
            return code == 1;
        case Entity::MText:
            return code == 1 || code == 3;
        case Entity::Attrib:
        case Entity::Attdef:
            if (m_entityDone) return false;
            if (m_inEmbedded) return code == 1 || code == 3;
            return code == 1 || code == 100 || code == 101 ||
                   (m_entity == Entity::Attdef && (code == 2 || code == 3));
        case Entity::MultiLeader:
            return code >= 300 && code <= 304;
        case Entity::Table:
            if (!m_inTable) return code == 100;
            return (code >= 1 && code <= 3) || (code >= 300 && code <= 304);
        case Entity::Other:
            return false;
    }
    return false;
}

bool DxfEntityText::Take(int code, std::string_view value) {
    bool more = TakePair(code, value);
    m_watching = Watching();
    return more;
}

bool DxfEntityText::TakePair(int code, std::string_view value) {
    if (code == 0) {
        if (!EndEntity()) return false;
        std::string_view name = Trimmed(value);
        m_awaitSectionName = false;
        if (name == "SECTION") {
            m_awaitSectionName = true;
            m_section = Section::None;
        } else if (name == "ENDSEC") {
            m_section = Section::None;
        } else if (name == "EOF" || name.empty()) {
            // The end of the file; an entity without a name is damage.
            return false;
        } else if (m_section == Section::Entities || m_section == Section::Blocks) {
            StartEntity(name);
        }
        return true;
    }
    if (m_awaitSectionName) {
        // "0 SECTION" is followed by "2 <name>"; anything else opens a
        // section this reader does not know.
        m_awaitSectionName = false;
        std::string_view name = code == 2 ? Trimmed(value) : std::string_view();
        m_section = name == "HEADER"     ? Section::Header
                    : name == "BLOCKS"   ? Section::Blocks
                    : name == "ENTITIES" ? Section::Entities
                                         : Section::Other;
        m_headerVariable = HeaderVariable::None;
        return true;
    }
    if (m_section == Section::Header) return TakeHeader(code, value);
    return TakeEntity(code, value);
}

void DxfEntityText::Finish() {
    EndEntity();
    m_watching = Watching();
}

bool DxfEntityText::EndEntity() {
    bool more = true;
    if (m_entity == Entity::Table && m_inCellValue && !m_cellHadText) {
        more = Emit(TextKind::TableCell, m_cellDisplay);
    }
    if (more && m_inEmbedded) {
        more = FlushEmbeddedText(m_entity == Entity::Attrib ? TextKind::Attrib
                                                            : TextKind::AttdefValue);
    }
    if (more) more = FlushChunks(m_entity == Entity::Table ? TextKind::TableCell : TextKind::MText);
    m_entity = Entity::Other;
    m_entityDone = false;
    m_inEmbedded = false;
    m_attributeValue.clear();
    m_inTable = m_inCellValue = m_cellHadText = false;
    m_inContext = m_inLeader = false;
    m_chunks.clear();
    m_cellDisplay.clear();
    return more;
}

void DxfEntityText::StartEntity(std::string_view name) {
    struct Named {
        std::string_view name;
        Entity entity;
    };
    static constexpr Named kEntities[] = {
        {"TEXT", Entity::Text},
        {"MTEXT", Entity::MText},
        {"ATTRIB", Entity::Attrib},
        {"ATTDEF", Entity::Attdef},
        {"DIMENSION", Entity::Dimension},
        {"ARC_DIMENSION", Entity::Dimension},
        {"LARGE_RADIAL_DIMENSION", Entity::Dimension},
        {"MULTILEADER", Entity::MultiLeader},
        {"MLEADER", Entity::MultiLeader},
        {"ACAD_TABLE", Entity::Table},
    };
    for (const Named& entry : kEntities) {
        if (entry.name == name) m_entity = entry.entity;
    }
}

bool DxfEntityText::TakeHeader(int code, std::string_view value) {
    if (code == 9) {
        std::string_view name = Trimmed(value);
        m_headerVariable = name == "$ACADVER"       ? HeaderVariable::AcadVer
                           : name == "$DWGCODEPAGE" ? HeaderVariable::DwgCodePage
                                                    : HeaderVariable::None;
    } else if (code == 1 && m_headerVariable == HeaderVariable::AcadVer) {
        m_utf8 = StoresUtf8(Trimmed(value));
        m_headerVariable = HeaderVariable::None;
    } else if (code == 3 && m_headerVariable == HeaderVariable::DwgCodePage) {
        m_codePage = CodePageFromName(Trimmed(value)).value_or(CodePage::Cp932);
        m_headerVariable = HeaderVariable::None;
    }
    return true;
}

bool DxfEntityText::TakeEntity(int code, std::string_view value) {
    switch (m_entity) {
        case Entity::Text:
            return code != 1 || Emit(TextKind::Text, value);
        case Entity::MText:
            if (code == 3) return AppendChunk(TextKind::MText, value);
            if (code == 1)
                return AppendChunk(TextKind::MText, value) && FlushChunks(TextKind::MText);
            return true;
        case Entity::Attrib:
        case Entity::Attdef: {
            const TextKind valueKind =
                m_entity == Entity::Attrib ? TextKind::Attrib : TextKind::AttdefValue;
            if (m_inEmbedded) {
                // A multi-line attribute's embedded MTEXT: its text in 3
                // chunks and a last 1, added when it is not the value again.
                if (code == 3) return AppendChunk(valueKind, value);
                if (code != 1) return true;
                m_entityDone = true;
                return AppendChunk(valueKind, value) && FlushEmbeddedText(valueKind);
            }
            // The embedded MTEXT of a multi-line attribute (101) follows the
            // attribute's own part; the AcDbXrecord part repeats the text and
            // the tag.
            if (code == 101) {
                m_inEmbedded = true;
                return true;
            }
            if (code == 100 && Trimmed(value) == "AcDbXrecord") {
                m_entityDone = true;
                return true;
            }
            if (code == 1) {
                bool more = Emit(valueKind, value);
                m_attributeValue = m_line;
                return more;
            }
            if (m_entity == Entity::Attdef && code == 2) return Emit(TextKind::AttdefTag, value);
            if (m_entity == Entity::Attdef && code == 3) return Emit(TextKind::AttdefPrompt, value);
            return true;
        }
        case Entity::Dimension:
            // "<>" stands for the measurement alone, which the dimension's block
            // shows as MTEXT.
            if (code != 1 || Trimmed(value) == "<>") return true;
            return Emit(TextKind::Dimension, value);
        case Entity::MultiLeader:
            return TakeMultiLeader(code, value);
        case Entity::Table:
            return TakeTable(code, value);
        case Entity::Other:
            return true;
    }
    return true;
}

// AcDbMLeader: 300 "CONTEXT_DATA{" ... 301 "}" holds the content; inside it,
// 302 "LEADER{" ... 303 "}" are the leaders (with 304 "LEADER_LINE{" ... 305
// "}" lines), and a 304 outside them is the MTEXT content. After the context
// data, each attribute of a block content has its text in a 302.
bool DxfEntityText::TakeMultiLeader(int code, std::string_view value) {
    switch (code) {
        case 300:
            if (Trimmed(value) == "CONTEXT_DATA{") m_inContext = true;
            return true;
        case 301:
            m_inContext = m_inLeader = false;
            return true;
        case 302:
            if (m_inContext) {
                m_inLeader = true;
                return true;
            }
            return Emit(TextKind::MultiLeader, value);
        case 303:
            m_inLeader = false;
            return true;
        case 304:
            if (!m_inContext || m_inLeader || Trimmed(value) == "LEADER_LINE{") return true;
            return Emit(TextKind::MultiLeader, value);
        default:
            return true;
    }
}

// AcDbTable: each text cell holds its text in 2 (or 3) chunks of 250
// characters and a last 1. From AutoCAD 2007 on a cell's value sits between
// 301 "CELL_VALUE" and 304 "ACVALUE_END": a string value in 1 (chunks as
// before), and what the cell shows in 302 (303 chunks before it), taken when
// the value has no 1 (a number, a date). A block cell gives each attribute's
// text in a 300.
bool DxfEntityText::TakeTable(int code, std::string_view value) {
    if (!m_inTable) {
        if (code == 100 && Trimmed(value) == "AcDbTable") m_inTable = true;
        return true;
    }
    switch (code) {
        case 1:
            if (m_inCellValue) m_cellHadText = true;
            return AppendChunk(TextKind::TableCell, value) && FlushChunks(TextKind::TableCell);
        case 2:
        case 3:
            return AppendChunk(TextKind::TableCell, value);
        case 300:
            return m_inCellValue || Emit(TextKind::TableCell, value);
        case 301:
            if (Trimmed(value) == "CELL_VALUE") {
                m_inCellValue = true;
                m_cellHadText = false;
                m_cellDisplay.clear();
            }
            return true;
        case 302:
        case 303:
            if (m_inCellValue && m_cellDisplay.size() + value.size() <= kDxfValueCap) {
                m_cellDisplay.append(value);
            }
            return true;
        case 304:
            if (!m_inCellValue || Trimmed(value) != "ACVALUE_END") return true;
            m_inCellValue = false;
            return m_cellHadText || Emit(TextKind::TableCell, m_cellDisplay);
        default:
            return true;
    }
}

bool DxfEntityText::AppendChunk(TextKind kind, std::string_view chunk) {
    if (!m_chunks.empty() && m_chunks.size() + chunk.size() > kDxfValueCap) {
        if (!FlushChunks(kind)) return false;
    }
    m_chunks.append(chunk.substr(0, kDxfValueCap));
    return true;
}

bool DxfEntityText::FlushEmbeddedText(TextKind kind) {
    if (m_chunks.empty()) return true;
    std::string chunks = std::move(m_chunks);
    m_chunks.clear();
    Convert(chunks);
    if (m_line.empty() || m_line == m_attributeValue) return true;
    return m_out.Add(kind, m_line);
}

bool DxfEntityText::FlushChunks(TextKind kind) {
    if (m_chunks.empty()) return true;
    bool more = Emit(kind, m_chunks);
    m_chunks.clear();
    return more;
}

bool DxfEntityText::Emit(TextKind kind, std::string_view raw) {
    Convert(raw);
    if (m_line.empty()) return true;
    return m_out.Add(kind, m_line);
}

void DxfEntityText::Convert(std::string_view raw) {
    if (IsAscii(raw)) {
        m_line.assign(raw);
    } else if (m_utf8 && IsValidUtf8(raw)) {
        m_line = Utf8ToCp932Lossy(raw);
    } else {
        // Before AC1021 (and for a value that is no UTF-8 after it) the bytes
        // are the drawing's code page; CP932 stays as stored.
        m_line = ToCp932(raw, m_codePage);
    }
    RemoveSpaces(m_line);
}
