#pragma once

#include <string>
#include <string_view>

// The index keeps each line's match form (CP932, as MatchForm gives it) as
// UTF-8 text, so that PostgreSQL's trigram index works on its characters.
// The keyword test finds a piece in a match form starting at a character
// boundary (FindAtCharacterBoundary); the indexed form is made so that this
// is exactly "the piece's indexed form is a substring of the line's".
//
// Both are walked by CP932 characters (Cp932CharLength: a lead byte takes
// the next byte with it, whatever that byte is; a lead byte at the end stands
// alone), and each character becomes exactly one code point, a different one
// for each different character:
//   - a double-byte character CP932 maps to Unicode and back to the same
//     bytes becomes that code point; one that maps back to other bytes (the
//     NEC and IBM duplicates, such as ≒ at 87 90 beside 81 E0, ¬ at EE F9 and
//     FA 54 beside 81 CA), or to nothing (a lead byte with any other second
//     byte: 88 0A, 88 20, 85 40), becomes U+F0000 + its two bytes;
//   - the bytes 01-1E and 20-7F become themselves; A1-DF the half-width kana;
//   - 00 (which PostgreSQL text cannot hold), 1F (kept apart as the line
//     separator), 80, A0, FD-FF (FF is what a character CP932 cannot hold
//     became) and a lead byte alone at the end become U+F0000 + the byte.
// Since each character is one code point and no two characters share one,
// and UTF-8 is only found at code point boundaries, a piece's characters
// follow each other in a line exactly when its form is inside the line's.
// The one case that is not a plain substring is a piece that ends in a lead
// byte alone: in a line that byte starts a longer character. PatternOfPiece
// asks for it with a regular expression.
//
// Changing this mapping changes what is stored: it needs a new schema
// version whose migration drops the stored text.

// The line separator of an indexed chunk: no character's form is U+001F.
inline constexpr char kIndexedLineSeparator = '\x1F';

// Appends the indexed form of `matchForm` (any bytes) to `out`.
void AppendIndexedForm(std::string_view matchForm, std::string& out);
std::string IndexedForm(std::string_view matchForm);

// How the query asks for one keyword piece (a non-empty match form) in an
// indexed chunk:
//   Like   `folded LIKE pattern ESCAPE '\'`: "%" + the piece's indexed form
//          ("%", "_" and "\" escaped) + "%"; the trigram index serves it for
//          pieces of three characters or more;
//   Pairs  for a piece of two characters, which has no trigram: the same test
//          of the chunk with every character written twice (kPairedFolded)
//          against the piece written so, whose index has the trigrams
//          "aab" and "abb" of a piece "ab". A piece is in a text exactly when
//          the doubled piece is in the doubled text (at an odd offset only
//          if every character of the piece is the same, and then the text
//          holds one more of them); `plain` is the Like pattern of the same
//          piece, which the query also asks for: a test far cheaper than the
//          doubling, which a scan of the chunks then makes first;
//   Regex  for a piece that ends in a lead byte alone: `folded ~ pattern`, an
//          ASCII regular expression (each code point as \UXXXXXXXX, the last
//          character as a bracket of every character that starts with that
//          byte).
struct PiecePattern {
    enum class Test { Like, Pairs, Regex };
    Test test = Test::Like;
    std::string pattern;
    std::string plain;  // Pairs only: the piece's Like pattern
};

// The chunk's text with every character written twice, as the query and its
// index both spell it (the two must match for the index to serve).
inline constexpr const char* kPairedFolded = "regexp_replace(t.folded, '(.)', E'\\\\1\\\\1', 'g')";
PiecePattern PatternOfPiece(std::string_view piece);
