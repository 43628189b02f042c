#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#include "bytes/gathered_line.h"
#include "extract/sxf.h"
#include "extract/sxf_cursor.h"
#include "extract/sxf_text.h"

namespace {

constexpr uint64_t Bit(int k) { return uint64_t{1} << k; }

// A feature whose parameters hold text a person sees.
struct TextFeature {
    std::string_view name;
    int flag;        // the parameter of its text flag (1: the text shows), or -1
    uint64_t texts;  // bit k: parameter k is text
    TextKind kind;
};

constexpr TextFeature kTextFeatures[] = {
    {"text_string_feature", -1, Bit(3), TextKind::SxfText},
    {"linear_dim_feature", 32, Bit(34), TextKind::SxfText},
    {"curve_dim_feature", 33, Bit(35), TextKind::SxfText},
    {"angular_dim_feature", 33, Bit(35), TextKind::SxfText},
    {"radius_dim_feature", 13, Bit(15), TextKind::SxfText},
    {"diameter_dim_feature", 18, Bit(20), TextKind::SxfText},
    {"label_feature", 9, Bit(11), TextKind::SxfText},
    {"balloon_feature", 12, Bit(14), TextKind::SxfText},
    // Project, construction, contract type, drawing name, number, type and
    // scale; then year, month and day (numbers); contractor and owner.
    {"drawing_attribute_feature", -1,
     Bit(0) | Bit(1) | Bit(2) | Bit(3) | Bit(4) | Bit(5) | Bit(6) | Bit(10) | Bit(11),
     TextKind::SxfTitleBlock},
};

// The longest feature name looked at; a longer one is no text feature.
constexpr size_t kNameKeep = 40;
// The most digits of an instance number, and of characters of the version
// after "/*SXF".
constexpr size_t kNumberKeep = 20;

char AsciiLower(int byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : static_cast<char>(byte);
}

bool IsNameByte(int byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '_';
}

const TextFeature* FindTextFeature(std::string_view lowerName) {
    for (const TextFeature& feature : kTextFeatures) {
        if (feature.name == lowerName) return &feature;
    }
    return nullptr;
}

// A string byte that stands for itself: printable ASCII but the quote and
// the backslash, tab, and the single bytes from 0x80 that start no CP932
// pair (half-width katakana among them).
bool IsPlainStringByte(uint8_t byte) {
    if (byte < 0x20) return byte == '\t';
    return byte != '\'' && byte != '\\' && byte != 0x7F && !IsCp932LeadByte(byte);
}

// Keeps the first few bytes of a short value (a text flag).
struct ShortValue {
    std::string bytes;
    void Append(std::string_view piece) {
        for (char ch : piece) Append(ch);
    }
    void Append(char ch) {
        if (bytes.size() < 8) bytes += ch;
    }
};

class SfcReader {
  public:
    SfcReader(SxfCursor& cursor, ExtractedText& out) : m_c(cursor), m_out(out), m_line(out) {}

    void Run() {
        while (FindCommentStart()) {
            if (!ReadComment()) return;
            FindPair('*', '/');
        }
    }

  private:
    // Moves past the next "/*" that starts a comment: outside the comments,
    // a "/*" inside a string of the header is none. False when the data ends
    // before one.
    bool FindCommentStart() {
        for (;;) {
            if (m_c.Peek() == 0) m_c.SkipZeros();
            ByteView view = m_c.Ahead(2);
            if (view.size < 2) {
                m_c.Skip(view.size);
                return false;
            }
            size_t at = 0;
            while (at + 1 < view.size && view.data[at] != '/' && view.data[at] != '\'') ++at;
            m_c.Skip(at);
            if (at + 1 == view.size) continue;
            if (view.data[at] == '/') {
                m_c.Skip(1);
                if (view.data[at + 1] != '*') continue;
                m_c.Skip(1);
                return true;
            }
            m_c.Skip(1);
            if (!SkipPlainString()) return false;
        }
    }

    // Moves past the next `first` `second` pair; false when the data ends
    // before one.
    bool FindPair(char first, char second) {
        for (;;) {
            if (m_c.Peek() == 0) m_c.SkipZeros();
            ByteView view = m_c.Ahead(2);
            if (view.size < 2) {
                m_c.Skip(view.size);
                return false;
            }
            const void* found = std::memchr(view.data, first, view.size - 1);
            if (found == nullptr) {
                m_c.Skip(view.size - 1);
                continue;
            }
            size_t at = static_cast<size_t>(static_cast<const uint8_t*>(found) - view.data);
            if (view.data[at + 1] == second) {
                m_c.Skip(at + 2);
                return true;
            }
            m_c.Skip(at + 1);
        }
    }

    void SkipBlanks() {
        while (IsSxfBlank(m_c.Peek())) m_c.Skip(1);
    }

    // After "/*": an SXF feature's text, when it is one that holds text.
    // Leaves the cursor anywhere before the comment's "*/". False once the
    // output takes no more.
    bool ReadComment() {
        // "SXF" (any case), then a version: "3", "3.1" or none.
        for (char ch : std::string_view("sxf")) {
            if (AsciiLower(m_c.Peek()) != ch) return true;
            m_c.Skip(1);
        }
        for (size_t k = 0; k < kNumberKeep && (m_c.Peek() == '.' || IsDigit(m_c.Peek())); ++k) {
            m_c.Skip(1);
        }
        // "#n = name(".
        SkipBlanks();
        if (m_c.Peek() != '#') return true;
        m_c.Skip(1);
        for (size_t k = 0; k < kNumberKeep && IsDigit(m_c.Peek()); ++k) m_c.Skip(1);
        SkipBlanks();
        if (m_c.Peek() != '=') return true;
        m_c.Skip(1);
        SkipBlanks();
        char name[kNameKeep];
        size_t length = 0;
        while (IsNameByte(m_c.Peek())) {
            if (length == kNameKeep) return true;
            name[length++] = AsciiLower(m_c.Peek());
            m_c.Skip(1);
        }
        const TextFeature* feature = FindTextFeature(std::string_view(name, length));
        if (feature == nullptr) return true;
        SkipBlanks();
        if (m_c.Peek() != '(') return true;
        m_c.Skip(1);
        return ReadParameters(*feature);
    }

    static bool IsDigit(int byte) { return byte >= '0' && byte <= '9'; }

    // The parameters of a text feature, up to its ")" or whatever ends them:
    // those before its text flag and between its texts are passed over in
    // one scan, and a feature whose flag says its text does not show is left
    // at the flag.
    bool ReadParameters(const TextFeature& feature) {
        bool shown = feature.flag < 0;
        for (int index = 0;; ++index) {
            int wanted = feature.flag >= index ? feature.flag
                         : shown && index < 64 && (feature.texts >> index) != 0
                             ? index + std::countr_zero(feature.texts >> index)
                             : -1;
            if (wanted < 0) return true;
            if (wanted > index && !SkipParameters(wanted - index)) return true;
            index = wanted;
            SkipBlanks();
            int quote = OpeningQuote();
            if (index == feature.flag) {
                shown = ReadFlag(quote);
            } else if (quote != 0) {
                m_line.Clear();
                m_c.Skip(quote);
                if (!ReadString(quote == 2, m_line)) return true;  // the data ended in it
                if (!AddSxfLine(m_out, feature.kind, m_line.Kept())) return false;
            } else {
                SkipParameter();
            }
            SkipBlanks();
            if (m_c.Peek() != ',') return true;
            m_c.Skip(1);
        }
    }

    // Passes over `count` parameters and the comma after each, lists and
    // strings inside them whole, in one scan of the bytes (a doubled quote
    // inside a '...' string closes it and opens it again). False when the
    // parameters end first (a ")" or the "*/" that ends the comment, or the
    // data).
    bool SkipParameters(int count) {
        int depth = 0;
        for (;;) {
            ByteView view = m_c.Ahead(2);
            if (view.size < 2) return false;
            const uint8_t* data = view.data;
            // A string that opens here but runs past the bytes at hand (1 for
            // '...', 2 for \'...\'), to be passed over on its own.
            int quote = 0;
            size_t at = 0;
            for (; at + 1 < view.size; ++at) {
                const uint8_t byte = data[at];
                if (!IsParameterMark(byte)) continue;
                if (byte == '\'') {
                    // Mostly a short number ('0.250000'): looked through here.
                    size_t close = at + 1;
                    while (close < view.size && data[close] != '\'') ++close;
                    if (close == view.size) {
                        quote = 1;
                        break;
                    }
                    at = close;
                } else if (byte == '\\' && data[at + 1] == '\'') {
                    quote = 2;
                    break;
                } else if (byte == '*' && data[at + 1] == '/') {
                    m_c.Skip(at);
                    return false;
                } else if (byte == '(') {
                    ++depth;
                } else if (byte == ')') {
                    if (depth-- == 0) {
                        m_c.Skip(at);
                        return false;
                    }
                } else if (byte == ',' && depth == 0 && --count == 0) {
                    m_c.Skip(at + 1);
                    return true;
                }
            }
            // The last byte, when the scan did not pass it, is looked at with
            // the bytes after it.
            m_c.Skip(at);
            if (quote != 0) {
                m_c.Skip(quote);
                ShortValue ignored;
                if (!(quote == 1 ? SkipPlainString() : ReadString(true, ignored))) return false;
            }
        }
    }

    // How many bytes open a string here: 2 for \', 1 for ', 0 for no string.
    int OpeningQuote() {
        int byte = m_c.Peek();
        if (byte == '\'') return 1;
        if (byte == '\\' && m_c.Peek(1) == '\'') return 2;
        return 0;
    }

    // A text flag: '1', \'1\' or 1 shows the text.
    bool ReadFlag(int quote) {
        ShortValue value;
        if (quote != 0) {
            m_c.Skip(quote);
            ReadString(quote == 2, value);
        } else {
            while (IsNameByte(m_c.Peek()) || m_c.Peek() == '.' || m_c.Peek() == '-') {
                value.Append(static_cast<char>(m_c.Peek()));
                m_c.Skip(1);
            }
        }
        return value.bytes == "1";
    }

    // The string whose opening quote the cursor has passed, into `sink`,
    // walked by CP932 characters: \'...\' ends at \', '...' at a lone ';
    // in both '' is one quote and \\ one backslash. Control characters but
    // tab (the file's line breaks among them) are no part of it. False when
    // the data ends first.
    template <typename Sink>
    bool ReadString(bool backslashQuoted, Sink& sink) {
        for (;;) {
            ByteView view = m_c.Ahead(2);
            if (view.size == 0) return false;
            size_t run = 0;
            while (run < view.size && IsPlainStringByte(view.data[run])) ++run;
            if (run != 0) {
                sink.Append(std::string_view(reinterpret_cast<const char*>(view.data), run));
                m_c.Skip(run);
                continue;
            }
            const uint8_t byte = view.data[0];
            const int next = view.size > 1 ? view.data[1] : -1;
            if (IsCp932LeadByte(byte)) {
                // A lead byte without a trail byte after it stands alone.
                bool pair = IsCp932TrailByte(next);
                sink.Append(
                    std::string_view(reinterpret_cast<const char*>(view.data), pair ? 2 : 1));
                m_c.Skip(pair ? 2 : 1);
            } else if (byte == '\\') {
                if (backslashQuoted && next == '\'') {
                    m_c.Skip(2);
                    return true;
                }
                sink.Append('\\');
                m_c.Skip(next == '\\' ? 2 : 1);
            } else if (byte == '\'') {
                if (next == '\'') {
                    sink.Append('\'');
                    m_c.Skip(2);
                    continue;
                }
                m_c.Skip(1);
                if (!backslashQuoted) return true;
                sink.Append('\'');  // a lone quote inside \'...\' is one
            } else {
                // Control characters, and a hole of zeros at once.
                size_t controls = 1;
                while (controls < view.size && view.data[controls] < 0x20 &&
                       view.data[controls] != '\t') {
                    ++controls;
                }
                m_c.Skip(controls);
                if (byte == 0) m_c.SkipZeros();
            }
        }
    }

    // Passes over a '...' string whose opening quote the cursor has passed:
    // to its lone closing quote (no CP932 trail byte is a quote). False when
    // the data ends first.
    bool SkipPlainString() {
        for (;;) {
            if (m_c.Peek() == 0) m_c.SkipZeros();
            ByteView view = m_c.Ahead(2);
            if (view.size == 0) return false;
            const void* found = std::memchr(view.data, '\'', view.size);
            if (found == nullptr) {
                m_c.Skip(view.size);
                continue;
            }
            size_t at = static_cast<size_t>(static_cast<const uint8_t*>(found) - view.data);
            m_c.Skip(at + 1);
            if (m_c.Peek() != '\'') return true;
            m_c.Skip(1);
        }
    }

    // Passes over one parameter: up to the "," or ")" that ends it, lists
    // and strings inside it whole. Stops at a "*/" too, the end of the
    // feature's comment (a feature cut short).
    void SkipParameter() {
        int depth = 0;
        for (;;) {
            ByteView view = m_c.Ahead(2);
            if (view.size == 0) return;
            size_t run = 0;
            while (run < view.size && !IsParameterMark(view.data[run])) ++run;
            m_c.Skip(run);
            if (run == view.size) continue;
            const uint8_t byte = view.data[run];
            const int next = m_c.Peek(1);
            if (byte == '\'') {
                m_c.Skip(1);
                if (!SkipPlainString()) return;
            } else if (byte == '\\' && next == '\'') {
                m_c.Skip(2);
                ShortValue ignored;
                if (!ReadString(true, ignored)) return;
            } else if (byte == '*' && next == '/') {
                return;
            } else if ((byte == ')' || byte == ',') && depth == 0) {
                return;
            } else {
                depth += byte == '(' ? 1 : byte == ')' ? -1 : 0;
                m_c.Skip(1);
            }
        }
    }

    // The bytes SkipParameter looks at.
    static bool IsParameterMark(uint8_t byte) {
        return byte == '\'' || byte == '\\' || byte == '(' || byte == ')' || byte == ',' ||
               byte == '*';
    }

    SxfCursor& m_c;
    ExtractedText& m_out;
    GatheredLine m_line;
};

}  // namespace

void ExtractSfcText(ByteSource& file, ExtractedText& out) {
    SxfCursor cursor(file);
    if (!cursor.SkipExchangeStructureStart()) return;
    SfcReader(cursor, out).Run();
}
