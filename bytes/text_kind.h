#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The kind of entity a line of drawing text came from. The kind chooses the
// clean-up the keyword test applies (MTEXT codes, %% and \U+ escapes) and is
// shown beside the line where a person asks where a word comes from.
enum class TextKind : uint8_t {
    Text,           // DXF/DWG TEXT value
    MText,          // DXF/DWG MTEXT value, inline formatting codes and all
    Attrib,         // ATTRIB value (a block attribute's text)
    AttdefValue,    // ATTDEF default value
    AttdefTag,      // ATTDEF tag
    AttdefPrompt,   // ATTDEF prompt
    Dimension,      // DIMENSION user text (not empty, not "<>")
    MultiLeader,    // MULTILEADER text content, coded as MTEXT
    TableCell,      // ACAD_TABLE cell text, coded as MTEXT
    JwText,         // JW_CAD text (JWC, JWK, JWW)
    JwDimension,    // JW_CAD dimension text
    JwBlock,        // JW_CAD block definition's name
    JwMemo,         // JW_CAD drawing memo
    JwTitle,        // JW_CAD title of a JWC/JWK drawing
    McdText,        // VectorWorks MCD text record
    DraCadText,     // DraCAD text item
    SxfText,        // SXF drawn text: a text, or a dimension, label or balloon showing its text
    SxfTitleBlock,  // SXF title-block attribute value (project, construction, drawing name...)
};

inline constexpr int kTextKindCount = 18;

// The kind's name as the command line prints and accepts it: "TEXT", "MTEXT",
// "ATTRIB", "ATTDEF", "ATTDEF_TAG", "ATTDEF_PROMPT", "DIMENSION",
// "MULTILEADER", "TABLE_CELL", "MOJI", "JW_DIMENSION", "JW_BLOCK", "JW_MEMO",
// "JW_TITLE", "MCD_TEXT", "DRACAD_TEXT", "SXF_TEXT", "SXF_TITLE_BLOCK".
std::string_view TextKindName(TextKind kind);

// The kind of a name (as TextKindName gives it, ASCII case ignored).
std::optional<TextKind> TextKindFromName(std::string_view name);

// True for the kinds whose values carry MTEXT inline codes (a dimension's
// text override is MTEXT-formatted too: "\P", "{\H0.7x;...}").
constexpr bool HasMTextCodes(TextKind kind) {
    return kind == TextKind::MText || kind == TextKind::MultiLeader ||
           kind == TextKind::TableCell || kind == TextKind::Dimension;
}
