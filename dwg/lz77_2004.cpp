#include "dwg/lz77_2004.h"

#include <algorithm>
#include <cstring>

#include "dwg/back_reference.h"

namespace {

constexpr uint8_t kEndOpcode = 0x11;

struct Input {
    ByteView data;
    size_t pos = 0;
    bool overrun = false;

    uint8_t Byte() {
        if (pos >= data.size) {
            overrun = true;
            return 0;
        }
        return data[pos++];
    }
};

// A length continued in the bytes that follow: each 0x00 byte adds 0xFF, and
// the first non-zero byte adds its value and ends it; `base` is added.
size_t ReadRunLength(Input& in, size_t base) {
    size_t total = base;
    for (;;) {
        uint8_t b = in.Byte();
        if (in.overrun) return 0;
        if (b != 0) return total + b;
        total += 0xFF;
    }
}

// Literal length, read from a byte whose high nibble is 0: 0x01 to 0x0F give
// that value + 3; 0x00 starts a run length over a base of 0x0F, + 3.
size_t ReadLiteralLength(Input& in, uint8_t first) {
    if (first != 0) return size_t{first} + 3;
    return ReadRunLength(in, 0x0F) + 3;
}

// Two bytes after an opcode: the offset's low 6 bits are the first byte's
// high 6, the next 8 bits the second byte; the first byte's low 2 bits are
// the count of literal bytes that follow the copy.
uint32_t ReadTwoByteOffset(Input& in, size_t& literals) {
    uint8_t first = in.Byte();
    uint8_t second = in.Byte();
    literals = first & 3;
    return uint32_t{first} >> 2 | uint32_t{second} << 6;
}

}  // namespace

bool DecompressLz77_2004(ByteView in, size_t outSize, std::vector<uint8_t>& out) {
    // Room for what the input can produce at most, never for a bare claim.
    size_t room =
        in.size < SIZE_MAX / kLz77_2004MaxExpansion ? in.size * kLz77_2004MaxExpansion : SIZE_MAX;
    out.resize(std::min(outSize, room));
    size_t written = 0;
    Input input{in};
    auto finish = [&out, &written](bool ok) {
        out.resize(written);
        return ok;
    };
    auto copyLiterals = [&](size_t count) {
        if (count > in.size - input.pos || count > out.size() - written) return false;
        std::memcpy(out.data() + written, in.data + input.pos, count);
        input.pos += count;
        written += count;
        return true;
    };

    uint8_t opcode = input.Byte();
    if (input.overrun) return finish(false);
    if (opcode < 0x10) {
        // 0x00-0x0F first: a literal run opens the stream.
        size_t count = ReadLiteralLength(input, opcode);
        if (input.overrun || !copyLiterals(count)) return finish(false);
        opcode = input.Byte();
    }
    while (!input.overrun && opcode != kEndOpcode) {
        size_t length;
        size_t distance;
        size_t literals;
        if (opcode >= 0x40) {
            // 0x40-0xFF: length (op >> 4) - 1; offset (next << 2 | op >> 2 & 3) + 1;
            // op & 3 literals.
            length = (opcode >> 4) - 1;
            uint8_t next = input.Byte();
            distance = (size_t{next} << 2 | (opcode >> 2 & 3)) + 1;
            literals = opcode & 3;
        } else if (opcode >= 0x20) {
            // 0x20-0x3F: length (op & 0x1F) + 2, or a run length over 0x1F + 2 when
            // 0; two-byte offset + 1.
            length = opcode & 0x1F;
            if (length == 0) length = ReadRunLength(input, 0x1F);
            length += 2;
            distance = size_t{ReadTwoByteOffset(input, literals)} + 1;
        } else if (opcode >= 0x10) {
            // 0x10-0x1F (0x11 ends): length (op & 7) + 2, or a run length over 7 + 2
            // when 0; two-byte offset + 0x4000, + 0x4000 more when op & 8.
            length = opcode & 7;
            if (length == 0) length = ReadRunLength(input, 7);
            length += 2;
            distance = size_t{ReadTwoByteOffset(input, literals)} + 0x4000 +
                       (static_cast<size_t>(opcode & 8) << 11);
        } else {
            // 0x00-0x0F are never opcodes: they would read as a literal length.
            return finish(false);
        }
        if (input.overrun) return finish(false);
        if (distance > written || length > out.size() - written) return finish(false);
        CopyBackReference(out.data() + written, distance, length);
        written += length;

        if (literals == 0) {
            // No literal count in the opcode: the next byte is a literal length
            // when its high nibble is 0, and the next opcode otherwise.
            opcode = input.Byte();
            if (input.overrun || opcode >= 0x10) continue;
            literals = ReadLiteralLength(input, opcode);
            if (input.overrun) return finish(false);
        }
        if (!copyLiterals(literals)) return finish(false);
        opcode = input.Byte();
    }
    return finish(!input.overrun);
}
