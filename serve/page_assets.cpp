#include "serve/page_assets.h"

#include <string>
#include <vector>

#include "page_files.h"

namespace {

std::string_view ContentTypeOf(std::string_view name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    if (name.ends_with(".svg")) return "image/svg+xml";
    return "application/octet-stream";
}

std::vector<PageAsset> MakeAssets() {
    std::vector<PageAsset> assets;
    for (size_t k = 0; k < kPageFileCount; ++k) {
        const PageFile& file = kPageFiles[k];
        assets.push_back(
            {.path = file.path,
             .contentType = ContentTypeOf(file.path),
             .body = std::string_view(reinterpret_cast<const char*>(file.bytes), file.size)});
    }
    return assets;
}

}  // namespace

std::span<const PageAsset> PageAssets() {
    static const std::vector<PageAsset> assets = MakeAssets();
    return assets;
}

const PageAsset* FindPageAsset(std::string_view path) {
    for (const PageAsset& asset : PageAssets()) {
        if (asset.path == path) return &asset;
    }
    return nullptr;
}
