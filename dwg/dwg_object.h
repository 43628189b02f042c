#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/byte_view.h"
#include "bytes/code_pages.h"
#include "bytes/text_kind.h"
#include "dwg/bit_cursor.h"
#include "dwg/dwg_version.h"

// One object of an R13-or-later drawing, opened for reading: its bytes and
// the cursors of the streams its fields are read from.
//
// R13 to 2004 keep every field in one data stream. From 2007 on, the strings
// sit apart in a string stream at the end of the data (just before the
// handle stream): a flag bit in the data's last bit says whether there is
// one, and a size (one or two raw shorts) sits before the flag.
struct DwgObject {
    ByteView data;  // the object's bytes: the modular-short size after its size field
    DwgVersion version = DwgVersion::R13;
    CodePage codePage = CodePage::Cp932;  // of 8-bit text (R13 to 2004)
    uint32_t type = 0;
    BitCursor main;           // the data stream, just after the type (and the size in bits)
    BitCursor strings;        // the string stream (2007 and later)
    uint64_t stringsEnd = 0;  // the bit where the string stream ends
    bool hasStrings = false;

    // True once a read went past the object's bytes or its string stream.
    bool Overrun() const { return main.overrun || strings.overrun; }
};

// Opens the object `data` of `version`: reads its type (BS; 2010 and later
// BOT) and, from R2000 to 2007, its size in bits (RL); from 2007 on finds the
// string stream, in 2007 from that size, later from the object's size less
// `handleStreamBits` (the size of the handle stream, given before the object).
// False when these do not fit in the object: damage.
bool OpenDwgObject(ByteView data, DwgVersion version, CodePage codePage, uint64_t handleStreamBits,
                   DwgObject& object);

// The string stream (2007 and later) of data that ends before bit
// `dataBits`: its flag is the bit before, its size just before the flag.
// Sets `hasStrings`, `strings` and `stringsEnd`; false when the flag or the
// sizes do not fit.
bool FindStringStream(DwgObject& object, uint64_t dataBits);

// T: the next text field of the object, as CP932. R13 to 2004: a TV of the
// data stream, converted from the drawing's code page; 2007 and later: the
// next TU of the string stream, converted from UTF-16 (empty when the object
// has no string stream). Past the end of the bytes it gives empty text and
// the object is overrun.
std::string ReadObjectText(DwgObject& object);

// Whether the next text field of the object is `ascii` (ASCII text), with any
// closing zero characters left out; steps over the field either way without
// converting it.
bool NextObjectTextIs(DwgObject& object, std::string_view ascii);

// Steps over the next text field of the object without reading it.
void SkipObjectText(DwgObject& object);

// A line an entity gives: its kind and its CP932 text.
struct EntityText {
    TextKind kind = TextKind::Text;
    std::string text;
};
