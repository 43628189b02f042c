#include "dwg/lz77_2007.h"

#include <cstring>

#include "dwg/back_reference.h"

namespace {

struct Input {
    ByteView data;
    size_t pos = 0;

    size_t Left() const { return data.size - pos; }
    uint8_t Next() { return data[pos++]; }
};

struct BackReference {
    uint64_t offset = 0;  // bytes back from the end of the output
    uint64_t length = 0;
};

// The blocks of a literal run's tail, by its length (1 to 31), in the order
// they are stored; they are written out last block first. A 32-byte chunk is
// "8888".
constexpr const char* kTailBlocks[32] = {
    "",    "1",    "11",    "111",    "4",    "41",    "141",    "1411",
    "8",   "81",   "181",   "1811",   "84",   "841",   "1841",   "18411",
    "88",  "818",  "1881",  "88111",  "884",  "8841",  "88411",  "884111",
    "888", "8818", "88181", "881811", "8884", "88841", "888411", "1188841",
};

// Writes the blocks `sizes` stored at `from` to `to`, last block first.
void CopyBlocksReversed(const uint8_t* from, const char* sizes, uint8_t* to) {
    size_t starts[8];
    size_t lengths[8];
    size_t count = 0;
    size_t at = 0;
    for (const char* s = sizes; *s != '\0'; ++s) {
        starts[count] = at;
        lengths[count] = static_cast<size_t>(*s - '0');
        at += lengths[count++];
    }
    while (count > 0) {
        --count;
        std::memcpy(to, from + starts[count], lengths[count]);
        to += lengths[count];
    }
}

void CopyLiteralRun(const uint8_t* from, size_t length, uint8_t* to) {
    for (; length >= 32; length -= 32, from += 32, to += 32) CopyBlocksReversed(from, "8888", to);
    CopyBlocksReversed(from, kTailBlocks[length], to);
}

// The length of the literal run that opcode `op` (0x00 to 0x0F, or the first
// opcode) starts: op + 8, extended when it is 0x17.
bool ReadLiteralLength(Input& in, uint8_t op, uint64_t& length) {
    length = uint64_t{op} + 8;
    if (length != 0x17) return true;
    if (in.Left() < 1) return false;
    uint32_t more = in.Next();  // one byte; 0xFF: 16-bit additions follow
    length += more;
    if (more != 0xFF) return true;
    do {
        if (in.Left() < 2) return false;
        more = in.Next();
        more |= uint32_t{in.Next()} << 8;
        length += more;
    } while (more == 0xFFFF);  // 0xFFFF: another addition follows
    return true;
}

// A back-reference by the high nibble of `op`. `op` becomes the last byte
// read, whose low 3 bits count the literal bytes that follow.
bool ReadBackReference(Input& in, uint8_t& op, BackReference& ref) {
    switch (op >> 4) {
        case 0: {  // 0x0?: length 0x13 + low nibble, offset and 0x10 more length in two bytes
            if (in.Left() < 2) return false;
            ref.length = (op & 0x0Fu) + 0x13;
            uint64_t low = in.Next();
            op = in.Next();
            ref.length += (op >> 3) & 0x10u;
            ref.offset = ((op & 0x78u) << 5) + 1 + low;
            return true;
        }
        case 1: {  // 0x1?: length 3 + low nibble, 13-bit offset in two bytes
            if (in.Left() < 2) return false;
            ref.length = (op & 0x0Fu) + 3;
            uint64_t low = in.Next();
            op = in.Next();
            ref.offset = ((op & 0xF8u) << 5) + 1 + low;
            return true;
        }
        case 2: {  // 0x2?: 16-bit offset, then the length in one byte (bit 3 clear) or two
            if (in.Left() < 3) return false;
            ref.offset = in.Next();
            ref.offset |= uint64_t{in.Next()} << 8;
            ref.length = op & 0x07u;
            if ((op & 0x08) == 0) {
                op = in.Next();
                ref.length += op & 0xF8u;
            } else {
                if (in.Left() < 2) return false;
                ref.offset += 1;
                ref.length += uint64_t{in.Next()} << 3;
                op = in.Next();
                ref.length += (uint64_t{op & 0xF8u} << 8) + 0x100;
            }
            return true;
        }
        default: {  // 0x3? to 0xF?: length = high nibble, offset in the low nibble and a byte
            if (in.Left() < 1) return false;
            ref.length = op >> 4;
            uint64_t low = op & 0x0Fu;
            op = in.Next();
            ref.offset = ((op & 0xF8u) << 1) + low + 1;
            return true;
        }
    }
}

}  // namespace

bool DecompressLz77R2007(ByteView compressed, size_t size, std::vector<uint8_t>& out) {
    out.assign(size, 0);
    Input in{compressed};
    if (in.Left() < 1) return false;
    size_t written = 0;
    uint64_t literal = 0;
    uint8_t op = in.Next();
    if ((op & 0xF0) == 0x20) {
        // 0x2?: two unused bytes, then the first run's length in the low 3 bits.
        if (in.Left() < 3) return false;
        in.pos += 2;
        literal = in.Next() & 0x07u;
        if (literal == 0) return false;
    }
    for (;;) {
        // A literal run: the one the first opcode or the last byte announced.
        if (literal == 0 && !ReadLiteralLength(in, op, literal)) return false;
        if (literal > in.Left() || literal > size - written) return false;
        CopyLiteralRun(in.data.data + in.pos, static_cast<size_t>(literal), out.data() + written);
        in.pos += static_cast<size_t>(literal);
        written += static_cast<size_t>(literal);
        literal = 0;
        if (in.Left() == 0) return true;

        op = in.Next();
        BackReference ref;
        if (!ReadBackReference(in, op, ref)) return false;
        for (;;) {
            if (ref.offset == 0 || ref.offset > written || ref.length > size - written) {
                return false;
            }
            CopyBackReference(out.data() + written, static_cast<size_t>(ref.offset),
                              static_cast<size_t>(ref.length));
            written += static_cast<size_t>(ref.length);

            literal = op & 0x07u;
            if (literal != 0) break;  // a literal run follows
            if (in.Left() == 0) return true;
            op = in.Next();
            if ((op >> 4) == 0) break;           // 0x0?: a literal run of op + 8 bytes
            if ((op >> 4) == 0x0F) op &= 0x0Fu;  // 0xF?: read as a 0x0? back-reference
            if (!ReadBackReference(in, op, ref)) return false;
        }
    }
}
