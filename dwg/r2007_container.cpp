#include "dwg/r2007_container.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "dwg/r2007_maps.h"
#include "dwg/r2007_pages.h"

namespace {

// A section's data is at most this many times the file's size.
constexpr uint64_t kMaxExpansion = 256;

// What the page decoder needs of a section's pages beyond a SectionPage.
struct PageSizes {
    uint64_t sectionOffset = 0;
    uint32_t pageNumber = 0;
    uint64_t compressedSize = 0;
};

bool ReadExactly(ByteSource& file, uint64_t offset, uint64_t count, std::vector<uint8_t>& scratch,
                 ByteView& view) {
    if (count > kMaxR2007PageBytes) return false;
    view = file.Read(offset, static_cast<size_t>(count), scratch);
    return view.size == count;
}

// Decodes the data pages of one section from the file.
class DataPageDecoder {
  public:
    DataPageDecoder(ByteSource& file, bool reedSolomon, std::vector<PageSizes> sizes)
        : m_file(&file), m_reedSolomon(reedSolomon), m_sizes(std::move(sizes)) {}

    bool operator()(const SectionPage& page, std::vector<uint8_t>& out) const {
        const PageSizes* sizes = Find(page);
        if (sizes == nullptr || page.storedSize == 0) return false;  // not in the page map
        uint64_t bytes = R2007DataPageBytes(sizes->compressedSize, page.dataSize, m_reedSolomon);
        if (bytes == 0 || bytes > page.storedSize) return false;
        std::vector<uint8_t> scratch;
        ByteView stored;
        if (!ReadExactly(*m_file, page.fileOffset, bytes, scratch, stored)) return false;
        return DecodeR2007DataPage(stored, sizes->compressedSize, page.dataSize, m_reedSolomon,
                                   out);
    }

  private:
    const PageSizes* Find(const SectionPage& page) const {
        auto it = std::lower_bound(
            m_sizes.begin(), m_sizes.end(), page.sectionOffset,
            [](const PageSizes& sizes, uint64_t offset) { return sizes.sectionOffset < offset; });
        for (; it != m_sizes.end() && it->sectionOffset == page.sectionOffset; ++it) {
            if (it->pageNumber == page.pageNumber) return &*it;
        }
        return nullptr;
    }

    ByteSource* m_file;
    bool m_reedSolomon;
    std::vector<PageSizes> m_sizes;  // sorted by section offset
};

class R2007Container final : public DwgContainer {
  public:
    R2007Container(ByteSource& file, std::vector<R2007PageLocation> pages,
                   std::vector<R2007Section> sections)
        : m_file(file), m_pages(std::move(pages)), m_sections(std::move(sections)) {}

    std::unique_ptr<ByteSource> OpenSection(std::string_view name) override {
        auto section = std::find_if(m_sections.begin(), m_sections.end(),
                                    [name](const R2007Section& s) { return s.name == name; });
        if (section == m_sections.end()) return nullptr;
        std::vector<SectionPage> pages;
        std::vector<PageSizes> sizes;
        pages.reserve(section->pages.size());
        sizes.reserve(section->pages.size());
        for (const R2007SectionPage& entry : section->pages) {
            SectionPage page;
            page.sectionOffset = entry.sectionOffset;
            page.dataSize = entry.size;
            page.pageNumber = static_cast<uint32_t>(entry.id);
            // A page missing from the page map keeps no room in the file: it
            // does not decode.
            if (const R2007PageLocation* location = FindR2007Page(m_pages, entry.id)) {
                page.fileOffset = location->fileOffset;
                page.storedSize = location->size;
            }
            pages.push_back(page);
            sizes.push_back({entry.sectionOffset, page.pageNumber, entry.compressedSize});
        }
        std::stable_sort(sizes.begin(), sizes.end(), [](const PageSizes& a, const PageSizes& b) {
            return a.sectionOffset < b.sectionOffset;
        });
        uint64_t limit =
            m_file.Size() > UINT64_MAX / kMaxExpansion ? UINT64_MAX : m_file.Size() * kMaxExpansion;
        bool reedSolomon = section->encoding == kR2007ReedSolomonEncoding;
        return std::make_unique<PagedSection>(
            std::move(pages), std::min(section->size, limit),
            DataPageDecoder(m_file, reedSolomon, std::move(sizes)));
    }

  private:
    ByteSource& m_file;
    std::vector<R2007PageLocation> m_pages;  // sorted by id
    std::vector<R2007Section> m_sections;
};

// A system page's data: `compressedSize` bytes coded at `offset`.
bool ReadSystemPage(ByteSource& file, uint64_t offset, uint64_t compressedSize, uint64_t size,
                    uint64_t correction, std::vector<uint8_t>& out) {
    uint64_t bytes = R2007SystemPageBytes(compressedSize, correction);
    std::vector<uint8_t> scratch;
    ByteView stored;
    if (bytes == 0 || !ReadExactly(file, offset, bytes, scratch, stored)) return false;
    return DecodeR2007SystemPage(stored, compressedSize, size, correction, out);
}

}  // namespace

std::unique_ptr<DwgContainer> OpenR2007Container(ByteSource& file) {
    std::vector<uint8_t> scratch;
    ByteView coded = file.Read(kR2007FileHeaderAt, kR2007FileHeaderBytes, scratch);
    std::optional<R2007FileHeader> header = ReadR2007FileHeader(coded);
    if (!header || header->pageMapOffset > UINT64_MAX - kR2007FirstPageAt) return nullptr;

    std::vector<uint8_t> data;
    if (!ReadSystemPage(file, kR2007FirstPageAt + header->pageMapOffset,
                        header->pageMapCompressedSize, header->pageMapSize,
                        header->pageMapCorrection, data)) {
        return nullptr;
    }
    std::optional<std::vector<R2007PageLocation>> pages =
        ReadR2007PageMap({data.data(), data.size()});
    if (!pages) return nullptr;

    const R2007PageLocation* mapPage = FindR2007Page(*pages, header->sectionMapPageId);
    if (mapPage == nullptr ||
        !ReadSystemPage(file, mapPage->fileOffset, header->sectionMapCompressedSize,
                        header->sectionMapSize, header->sectionMapCorrection, data)) {
        return nullptr;
    }
    std::optional<std::vector<R2007Section>> sections =
        ReadR2007SectionMap({data.data(), data.size()});
    if (!sections) return nullptr;
    return std::make_unique<R2007Container>(file, std::move(*pages), std::move(*sections));
}
