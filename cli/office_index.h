#pragma once

#include <string>
#include <vector>

// What `index --to URL` asks for.
struct OfficeIndexOptions {
    std::string url;                  // where the index is
    std::vector<std::string> places;  // the trees to index, as given
    bool watch = false;               // stay running and keep them current
    int rescanMinutes = 10;           // with watch: how often unwatched trees are scanned
    unsigned typeMask = 0;
    bool subfolders = true;
    unsigned threads = 0;
    bool quiet = false;
};

// Brings the office index's tables up to date (creating them in an empty
// database), scans each place, and with `watch` keeps them current until
// SIGINT or SIGTERM. Progress and each place's figures go to stderr. Returns
// the exit status: 0; 2 when the server cannot be reached or refuses, a
// place cannot be read, or a drawing could not be read (the others are still
// indexed).
int RunOfficeIndex(const OfficeIndexOptions& options);
