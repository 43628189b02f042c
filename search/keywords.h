#pragma once

#include <string>
#include <string_view>
#include <vector>

// Keyword pieces of a search: CP932, trimmed, width-normalised, lower-cased. An empty list
// matches nothing; a list of one empty piece matches every text.
using KeywordList = std::vector<std::string>;

// Splits the keyword text at each half-width "|" found at a character
// boundary, trims single-byte white space from each piece, drops empty pieces
// and normalises and lower-cases the rest. An empty text gives one empty piece.
KeywordList PrepareKeywords(std::string_view keywordText);

// Half-width to full-width: printable ASCII and half-width katakana become
// their full-width characters; a kana followed by a voiced or semi-voiced
// sound mark (half- or full-width) becomes the composed kana where CP932 has
// one (ｶﾞ, カ゛ and ガ all give ガ). Double-byte characters are copied; every
// other byte, zero included, is copied as it is. The whole text is read.
std::string NormaliseWidth(std::string_view text);

// Lower-cases CP932 text in place: A-Z, the full-width Latin, Greek and
// Cyrillic capitals and the Roman numerals.
void LowerCaseCp932(std::string& text);

// True when `piece` occurs in `text` starting at a character boundary. An
// empty piece occurs in every text.
bool ContainsAtCharacterBoundary(std::string_view text, std::string_view piece);

// The keyword test: `text` as extracted from a drawing, against the pieces.
// Lower-cases and normalises the text, then looks for each piece in order.
bool TextMatchesKeywords(std::string text, const KeywordList& keywords);
