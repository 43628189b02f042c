#include "match/text_signature.h"

#include <bit>

#include "match/line_match.h"

namespace {

constexpr int kMinBitsLog = 8;
constexpr int kMaxBitsLog = 16;  // a bit for every pair
constexpr size_t kBitsPerPair = 4;

// The bit a pair sets in a signature of 2^bitsLog bits.
uint32_t BitOf(uint32_t pair, int bitsLog) {
    if (bitsLog == kMaxBitsLog) return pair;
    return (pair * 0x9E3779B1u) >> (32 - bitsLog);
}

uint32_t PairAt(std::string_view bytes, size_t at) {
    return uint32_t{static_cast<uint8_t>(bytes[at])} << 8 | static_cast<uint8_t>(bytes[at + 1]);
}

}  // namespace

std::string MakeTextSignature(const ExtractedText& text) {
    // Every pair seen, exactly, first; then folded into as many bits as the
    // count of distinct pairs asks for.
    std::vector<uint64_t> seen(65536 / 64, 0);
    size_t distinct = 0;
    std::string cleaned;
    std::string folded;
    for (size_t i = 0; i < text.size(); ++i) {
        CleanAndFold(text[i], cleaned, folded);
        for (size_t k = 0; k + 1 < folded.size(); ++k) {
            uint32_t pair = PairAt(folded, k);
            uint64_t bit = uint64_t{1} << (pair & 63);
            if ((seen[pair >> 6] & bit) == 0) {
                seen[pair >> 6] |= bit;
                ++distinct;
            }
        }
    }
    int bitsLog = kMinBitsLog;
    while (bitsLog < kMaxBitsLog && (size_t{1} << bitsLog) < distinct * kBitsPerPair) ++bitsLog;
    std::string signature(1 + (size_t{1} << bitsLog) / 8, '\0');
    signature[0] = static_cast<char>(bitsLog);
    for (size_t word = 0; word < seen.size(); ++word) {
        for (uint64_t bits = seen[word]; bits != 0; bits &= bits - 1) {
            uint32_t pair = static_cast<uint32_t>(word * 64 + std::countr_zero(bits));
            uint32_t bit = BitOf(pair, bitsLog);
            signature[1 + bit / 8] = static_cast<char>(signature[1 + bit / 8] | 1 << (bit % 8));
        }
    }
    return signature;
}

SignatureQuery::SignatureQuery(const KeywordList& keywords) {
    m_always = keywords.empty();
    for (const std::string& piece : keywords) {
        if (piece.size() < 2) {
            m_always = true;
            m_pairs.clear();
            return;
        }
        std::vector<uint16_t>& pairs = m_pairs.emplace_back();
        for (size_t k = 0; k + 1 < piece.size(); ++k) {
            pairs.push_back(static_cast<uint16_t>(PairAt(piece, k)));
        }
    }
}

bool SignatureQuery::MayMatch(std::string_view signature) const {
    if (m_always || signature.empty()) return true;
    int bitsLog = static_cast<uint8_t>(signature[0]);
    if (bitsLog < kMinBitsLog || bitsLog > kMaxBitsLog ||
        signature.size() != 1 + (size_t{1} << bitsLog) / 8) {
        return true;
    }
    for (const std::vector<uint16_t>& pairs : m_pairs) {
        bool all = true;
        for (uint16_t pair : pairs) {
            uint32_t bit = BitOf(pair, bitsLog);
            if ((static_cast<uint8_t>(signature[1 + bit / 8]) >> (bit % 8) & 1) == 0) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}
