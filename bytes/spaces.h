#pragma once

#include <string>

// Deletes every full-width space (0x81 0x40) that starts at a character
// boundary of the CP932 text; a 0x81 that is the trail byte of another
// character, followed by 0x40, stays.
void RemoveFullWidthSpaces(std::string& text);

// Deletes every full-width space, then every ASCII space, each found at
// character boundaries. A 0x20 directly after a lead byte belongs to that
// character and stays. Line ends stay.
void RemoveSpaces(std::string& text);
