#pragma once

#include <string>
#include <string_view>
#include <vector>

// Keyword pieces of a search: CP932, trimmed, in match form (width-normalised,
// lower-cased, spaces left out). An empty list matches nothing; a list of one
// empty piece matches every text.
using KeywordList = std::vector<std::string>;

// Splits the keyword text at each half-width "|" found at a character
// boundary, trims single-byte white space from each piece and turns the rest
// into match form; pieces left empty (spaces only, half- or full-width) are
// dropped. An empty text gives one empty piece.
KeywordList PrepareKeywords(std::string_view keywordText);

// Half-width to full-width: printable ASCII and half-width katakana become
// their full-width characters; a kana followed by a voiced or semi-voiced
// sound mark (half- or full-width) becomes the composed kana where CP932 has
// one (ｶﾞ, カ゛ and ガ all give ガ). Double-byte characters are copied; every
// other byte, zero included, is copied as it is. The whole text is read.
std::string NormaliseWidth(std::string_view text);

// LowerCaseCp932 followed by NormaliseWidth, in one walk.
std::string LowerCaseAndNormalise(std::string_view text);

// The form the keyword test compares: LowerCaseAndNormalise with every space
// (ASCII, and ideographic 81 40, at character boundaries) left out, in the
// same walk, so "this is" and "thisis", "平 面 図" and "平面図" compare equal.
// A kana and a sound mark parted by a space are not composed.
std::string MatchForm(std::string_view text);

// The same, appended to `out`.
void AppendMatchForm(std::string_view text, std::string& out);

// Lower-cases CP932 text in place: A-Z, the full-width Latin, Greek and
// Cyrillic capitals and the Roman numerals.
void LowerCaseCp932(std::string& text);

// True when `piece` occurs in `text` starting at a character boundary. An
// empty piece occurs in every text.
bool ContainsAtCharacterBoundary(std::string_view text, std::string_view piece);

// Where `piece` first occurs in `text` starting at a character boundary, or
// npos. An empty piece occurs at 0.
size_t FindAtCharacterBoundary(std::string_view text, std::string_view piece);

// The keyword test over one text (no clean-up): its match form searched for
// each piece in order.
bool TextMatchesKeywords(std::string_view text, const KeywordList& keywords);
