#include "match/keywords.h"

#include <cstdint>
#include <cstring>

#include "bytes/cp932.h"

namespace {

// Full-width forms of 0x20-0x7E, high byte first.
constexpr uint16_t kFullWidthAscii[95] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // space ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 0-7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @ A-G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // H-O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // P-W
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // X Y Z [ \ ] ^ _
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // ` a-g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // h-o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // p-w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // x y z { | } ~
};

// Full-width forms of the half-width katakana and punctuation 0xA1-0xDF.
constexpr uint16_t kFullWidthKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // ｡ ｢ ｣ ､ ･ ｦ ｧ ｨ
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // ｩ ｪ ｫ ｬ ｭ ｮ ｯ ｰ
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // ｱ ｲ ｳ ｴ ｵ ｶ ｷ ｸ
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // ｹ ｺ ｻ ｼ ｽ ｾ ｿ ﾀ
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // ﾁ ﾂ ﾃ ﾄ ﾅ ﾆ ﾇ ﾈ
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // ﾉ ﾊ ﾋ ﾌ ﾍ ﾎ ﾏ ﾐ
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // ﾑ ﾒ ﾓ ﾔ ﾕ ﾖ ﾗ ﾘ
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // ﾙ ﾚ ﾛ ﾜ ﾝ ﾞ ﾟ
};

constexpr uint16_t kVoicedMark = 0x814A;      // ゛
constexpr uint16_t kSemiVoicedMark = 0x814B;  // ゜

// The kana composed of `kana` and a sound mark, or 0 when CP932 has none.
uint16_t ComposeWithMark(uint16_t kana, uint16_t mark) {
    auto inRun = [kana](uint16_t first, uint16_t last, uint16_t step) {
        return kana >= first && kana <= last && (kana - first) % step == 0;
    };
    // ハ ヒ フ ヘ ホ and は ひ ふ へ ほ: voiced one code on, semi-voiced two.
    if (inRun(0x836E, 0x837A, 3) || inRun(0x82CD, 0x82D9, 3)) {
        return static_cast<uint16_t>(kana + (mark == kVoicedMark ? 1 : 2));
    }
    if (mark != kVoicedMark) return 0;
    if (kana == 0x8345) return 0x8394;  // ウ゛ → ヴ
    // カ-ソ and か-そ (every second code), タ チ ツ テ ト and た ち つ て と,
    // the iteration marks ヽ and ゝ: voiced one code on.
    if (inRun(0x834A, 0x835C, 2) || inRun(0x82A9, 0x82BB, 2) || kana == 0x835E || kana == 0x8360 ||
        kana == 0x8363 || kana == 0x8365 || kana == 0x8367 || kana == 0x82BD || kana == 0x82BF ||
        kana == 0x82C2 || kana == 0x82C4 || kana == 0x82C6 || kana == 0x8252 || kana == 0x8254) {
        return static_cast<uint16_t>(kana + 1);
    }
    return 0;
}

uint16_t LowerCaseDoubleByte(uint16_t code) {
    if (code >= 0x8260 && code <= 0x8279) return static_cast<uint16_t>(code + 0x21);  // Ａ-Ｚ
    if (code >= 0x839F && code <= 0x83B6) return static_cast<uint16_t>(code + 0x20);  // Α-Ω
    if (code >= 0x8440 && code <= 0x8460) {  // А-Я; the small letters skip 0x847F
        uint16_t lower = static_cast<uint16_t>(code + 0x30);
        return lower >= 0x847F ? static_cast<uint16_t>(lower + 1) : lower;
    }
    if (code >= 0x8754 && code <= 0x875D) return static_cast<uint16_t>(code - 0x8754 + 0xFA40);
    if (code >= 0xFA4A && code <= 0xFA53) return static_cast<uint16_t>(code - 0xFA4A + 0xFA40);
    return code;
}

bool IsTrimmedSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

}  // namespace

KeywordList PrepareKeywords(std::string_view keywordText) {
    KeywordList pieces;
    if (keywordText.empty()) {
        pieces.emplace_back();
        return pieces;
    }
    size_t start = 0;
    size_t i = 0;
    auto takePiece = [&](size_t end) {
        std::string_view piece = keywordText.substr(start, end - start);
        while (!piece.empty() && IsTrimmedSpace(piece.front())) piece.remove_prefix(1);
        while (!piece.empty() && IsTrimmedSpace(piece.back())) piece.remove_suffix(1);
        if (piece.empty()) return;
        std::string folded = MatchForm(piece);
        if (!folded.empty()) pieces.push_back(std::move(folded));  // not spaces only
    };
    while (i < keywordText.size()) {
        if (keywordText[i] == '|') {
            takePiece(i);
            start = i + 1;
        }
        i += Cp932CharLength(keywordText, i);
    }
    if (start < keywordText.size()) takePiece(keywordText.size());
    return pieces;
}

namespace {

constexpr uint16_t kIdeographicSpace = 0x8140;

// NormaliseWidth, lower-casing each character first when `lower` is set and
// leaving out spaces (ASCII and ideographic, at character boundaries) when
// `dropSpaces` is set: all are maps of one character, so one walk does them
// all. The output is appended to `out` through a pointer into room of twice
// the input's length. A kana and a sound mark parted by a space stay two
// characters, as they do when the space is kept: so dropping spaces is exactly
// removing the full-width spaces from what the walk gives without dropping.
template <bool lower, bool dropSpaces>
void AppendNormalised(std::string_view text, std::string& out) {
    const size_t start = out.size();
    out.resize(start + text.size() * 2);
    char* const begin = out.data() + start;
    char* end = begin;
    char* lastKana = nullptr;  // the last double-byte character written
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        uint8_t byte = static_cast<uint8_t>(text[i]);
        uint16_t code;
        if (IsCp932LeadByte(byte)) {
            if (i + 1 >= size) {  // a lead byte cut off by the end stays as it is
                *end++ = text[i];
                break;
            }
            code = static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(text[i + 1]));
            if (lower) code = LowerCaseDoubleByte(code);
            i += 2;
        } else if (byte >= 0x20 && byte <= 0x7E) {
            if (lower && byte >= 'A' && byte <= 'Z') byte = static_cast<uint8_t>(byte + 0x20);
            code = kFullWidthAscii[byte - 0x20];
            ++i;
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            code = kFullWidthKana[byte - 0xA1];
            ++i;
        } else {
            *end++ = text[i];  // control bytes, zero, 0x80, 0xA0, 0xFD-0xFF
            lastKana = nullptr;
            ++i;
            continue;
        }
        if (dropSpaces && code == kIdeographicSpace) {
            lastKana = nullptr;
            continue;
        }
        if ((code == kVoicedMark || code == kSemiVoicedMark) && lastKana != nullptr) {
            uint16_t kana = static_cast<uint16_t>(static_cast<uint8_t>(lastKana[0]) << 8 |
                                                  static_cast<uint8_t>(lastKana[1]));
            if (uint16_t composed = ComposeWithMark(kana, code)) {
                lastKana[0] = static_cast<char>(composed >> 8);
                lastKana[1] = static_cast<char>(composed & 0xFF);
                continue;
            }
        }
        lastKana = end;
        *end++ = static_cast<char>(code >> 8);
        *end++ = static_cast<char>(code & 0xFF);
    }
    out.resize(start + static_cast<size_t>(end - begin));
}

}  // namespace

std::string NormaliseWidth(std::string_view text) {
    std::string out;
    AppendNormalised<false, false>(text, out);
    return out;
}

std::string LowerCaseAndNormalise(std::string_view text) {
    std::string out;
    AppendNormalised<true, false>(text, out);
    return out;
}

void AppendMatchForm(std::string_view text, std::string& out) {
    AppendNormalised<true, true>(text, out);
}

std::string MatchForm(std::string_view text) {
    std::string out;
    AppendMatchForm(text, out);
    return out;
}

void LowerCaseCp932(std::string& text) {
    for (size_t i = 0; i < text.size();) {
        uint8_t byte = static_cast<uint8_t>(text[i]);
        if (byte >= 'A' && byte <= 'Z') {
            text[i] = static_cast<char>(byte + ('a' - 'A'));
            ++i;
        } else if (IsCp932LeadByte(byte) && i + 1 < text.size()) {
            uint16_t code = static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(text[i + 1]));
            uint16_t lower = LowerCaseDoubleByte(code);
            text[i] = static_cast<char>(lower >> 8);
            text[i + 1] = static_cast<char>(lower & 0xFF);
            i += 2;
        } else {
            ++i;
        }
    }
}

size_t FindAtCharacterBoundary(std::string_view text, std::string_view piece) {
    if (piece.empty()) return 0;
    size_t boundary = 0;  // a character boundary at or before every position tried
    for (size_t found = text.find(piece); found != std::string_view::npos;
         found = text.find(piece, found + 1)) {
        while (boundary < found) boundary += Cp932CharLength(text, boundary);
        if (boundary == found) return found;
    }
    return std::string_view::npos;
}

bool ContainsAtCharacterBoundary(std::string_view text, std::string_view piece) {
    return FindAtCharacterBoundary(text, piece) != std::string_view::npos;
}

bool TextMatchesKeywords(std::string_view text, const KeywordList& keywords) {
    if (keywords.empty()) return false;
    std::string normalised = MatchForm(text);
    for (const std::string& piece : keywords) {
        if (ContainsAtCharacterBoundary(normalised, piece)) return true;
    }
    return false;
}
