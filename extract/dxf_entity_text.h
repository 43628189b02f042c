#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "bytes/code_pages.h"
#include "bytes/extracted_text.h"

// The longest value a DXF reader keeps: a longer value is cut here (its other
// bytes are passed over) and the reading goes on with the next pair. The
// joined chunks of one MTEXT or table cell are bounded the same way: what
// would pass the bound starts a new line.
inline constexpr size_t kDxfValueCap = size_t{1} << 20;

// Takes the group-code/value pairs of a DXF drawing, in file order, and adds
// the text of the entities a person sees to `out`, each line with its kind.
// In the ENTITIES and BLOCKS sections (and in a fragment without sections):
//   TEXT          group 1                                  Text
//   MTEXT         3 (chunks) then 1, joined as one line    MText
//   ATTRIB        1                                        Attrib
//   ATTDEF        1, 2, 3                  AttdefValue, AttdefTag, AttdefPrompt
//   DIMENSION     1 when not empty and not "<>"            Dimension
//     (also ARC_DIMENSION, LARGE_RADIAL_DIMENSION)
//   MULTILEADER   304 of the context data (its MTEXT),     MultiLeader
//     (MLEADER)   302 after it (its block's attributes)
//   ACAD_TABLE    after the AcDbTable marker: each cell's  TableCell
//                 2/3 chunks then 1; a cell value's shown
//                 string 302 when it has no 1; a block
//                 cell's attribute texts 300
// A multi-line ATTRIB or ATTDEF (AutoCAD 2008 on) holds its text again in an
// embedded MTEXT after "101 Embedded Object": its 3 chunks and 1, joined, are
// one more line of the value's kind when they differ from the value (the
// paragraphs the value does not hold); the ATTRIB or ATTDEF ends there. An
// AcDbXrecord part ends them too: what follows repeats their text. Header variables, classes, table
// entries, objects and every other group are not text.
//
// The HEADER's $ACADVER and $DWGCODEPAGE choose the encoding: from AC1021 on,
// values are UTF-8 (a value that is not valid UTF-8 is read as the code page
// instead); before, the bytes of $DWGCODEPAGE's page, CP932 when it is missing
// or unknown. Each value is converted to CP932, its spaces (full-width, then
// ASCII) are deleted, and a value left empty adds no line. The values stay as
// stored otherwise (MTEXT codes and \U+ escapes are kept).
class DxfEntityText {
  public:
    explicit DxfEntityText(ExtractedText& out) : m_out(out) {}

    // Whether the value of a pair with group `code` is needed here; a reader
    // passes the other pairs over without handing them on. Asked for every
    // pair, so the common answer (no: an entity without text) is inline.
    bool Wants(int code) const { return code == 0 || (m_watching && WantsInPlace(code)); }

    // Takes a pair that Wants asked for. Returns false when the reading should
    // stop: the end of the file (0 EOF), a group 0 without a name (damage) or
    // the output is full.
    bool Take(int code, std::string_view value);

    // Adds what an entity that the data cut off still holds.
    void Finish();

  private:
    enum class Section : uint8_t { None, Header, Blocks, Entities, Other };
    enum class Entity : uint8_t {
        Other,
        Text,
        MText,
        Attrib,
        Attdef,
        Dimension,
        MultiLeader,
        Table,
    };
    enum class HeaderVariable : uint8_t { None, AcadVer, DwgCodePage };

    // Adds what the entity still holds and forgets it; false when the output
    // is full.
    bool EndEntity();
    void StartEntity(std::string_view name);
    bool WantsInPlace(int code) const;
    bool TakePair(int code, std::string_view value);
    // Whether any group but 0 may be wanted where the reading is.
    bool Watching() const;
    bool TakeHeader(int code, std::string_view value);
    bool TakeEntity(int code, std::string_view value);
    bool TakeMultiLeader(int code, std::string_view value);
    bool TakeTable(int code, std::string_view value);

    // Chunks of one MTEXT or table cell, joined raw before conversion.
    bool AppendChunk(TextKind kind, std::string_view chunk);
    bool FlushChunks(TextKind kind);

    // Converts `raw` to CP932, deletes its spaces and adds it as a line.
    bool Emit(TextKind kind, std::string_view raw);
    // The same into m_line only.
    void Convert(std::string_view raw);
    // Adds the chunks of an attribute's embedded MTEXT, unless they are its
    // value again.
    bool FlushEmbeddedText(TextKind kind);

    ExtractedText& m_out;
    bool m_watching = false;  // Watching(), kept as the state changes
    // Before the first SECTION, pairs are read as entities: a fragment that
    // some programs write without sections still gives its text.
    Section m_section = Section::Entities;
    bool m_awaitSectionName = false;
    HeaderVariable m_headerVariable = HeaderVariable::None;
    bool m_utf8 = false;
    CodePage m_codePage = CodePage::Cp932;

    Entity m_entity = Entity::Other;
    bool m_entityDone = false;     // ATTRIB/ATTDEF after their own part
    bool m_inEmbedded = false;     // ATTRIB/ATTDEF in their embedded MTEXT
    std::string m_attributeValue;  // ATTRIB/ATTDEF value as its line
    bool m_inTable = false;        // ACAD_TABLE after its AcDbTable marker
    bool m_inCellValue = false;    // between 301 CELL_VALUE and 304 ACVALUE_END
    bool m_cellHadText = false;    // that cell value held a group 1
    bool m_inContext = false;      // MULTILEADER context data
    bool m_inLeader = false;       // MULTILEADER leader inside the context data
    std::string m_chunks;          // MTEXT or cell chunks waiting for their group 1
    std::string m_cellDisplay;     // a cell value's 302
    std::string m_line;            // the line being converted
};
