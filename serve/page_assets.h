#pragma once

#include <span>
#include <string_view>

// The search page's files, compiled into the program from serve/page/ (so
// the page needs nothing from elsewhere: no font, script or style sheet of
// another site).
struct PageAsset {
    std::string_view path;         // as requested: "/index.html", "/app.js"
    std::string_view contentType;  // with its charset for text
    std::string_view body;
};

std::span<const PageAsset> PageAssets();

// The file requested as `path`; nullptr when there is none.
const PageAsset* FindPageAsset(std::string_view path);
