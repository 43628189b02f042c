#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// The text of an R12 ("AC1009") drawing: ReadR12Entities, then ReadR12Blocks.
void ReadR12Text(ByteSource& file, ExtractedText& out);

// The entity section's text records, in file order: the value of each TEXT
// (type byte 7) and ATTRIB (16), and the default value, prompt and tag of
// each ATTDEF (15), each without its zero bytes and then without its
// full-width and ASCII spaces, as a line of its kind when the value had a
// byte other than zero. The section runs from the offset in the header's
// 32-bit field at 0x14 to 10 bytes before the end of the first end marker
// 3B 91 97 AB 07 91 in the file. Returns false, adding nothing, when the
// section start is 0, there is no end marker or the start lies beyond it.
//
// Damaged data: a record length of 0 or less, a record that runs past the
// file, or a text record whose fields run past its record ends the walk; the
// lines found before it are kept. Records are read one at a time.
bool ReadR12Entities(ByteSource& file, ExtractedText& out);

// The same lines from the block section (the block definitions): from the
// offset at 0x1C, as many bytes as the low 24 bits of the 32-bit field at
// 0x20 say, clipped at the end of the file. No block section (offset 0): no
// lines. Damage ends the walk as in the entity section.
void ReadR12Blocks(ByteSource& file, ExtractedText& out);
