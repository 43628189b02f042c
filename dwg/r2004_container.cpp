#include "dwg/r2004_container.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "dwg/lz77_2004.h"
#include "dwg/r2004_header.h"
#include "dwg/r2004_maps.h"
#include "dwg/r2004_pages.h"

namespace {

constexpr uint32_t kStored = 1;
constexpr uint32_t kCompressed = 2;
constexpr uint32_t kEncrypted = 1;

// Decodes the data pages of one section; a page missing from the page map has
// no extent and fails.
class R2004PageDecoder {
  public:
    R2004PageDecoder(ByteSource& file, uint32_t sectionId, bool compressed, size_t pageSize)
        : m_file(&file), m_sectionId(sectionId), m_compressed(compressed), m_pageSize(pageSize) {}

    bool operator()(const SectionPage& page, std::vector<uint8_t>& out) {
        R2004DataPageExpectation expect{m_sectionId, page.sectionOffset, m_compressed, m_pageSize};
        return ReadR2004DataPage(*m_file, page.fileOffset, page.storedSize, expect, m_scratch, out);
    }

  private:
    ByteSource* m_file;
    uint32_t m_sectionId;
    bool m_compressed;
    size_t m_pageSize;
    std::vector<uint8_t> m_scratch;  // the compressed bytes of the page being decoded
};

class R2004Container final : public DwgContainer {
  public:
    R2004Container(ByteSource& file, std::vector<R2004PageLocation> pages,
                   std::vector<R2004SectionInfo> sections)
        : m_file(file), m_pages(std::move(pages)), m_sections(std::move(sections)) {}

    std::unique_ptr<ByteSource> OpenSection(std::string_view name) override {
        if (name.empty()) return nullptr;
        auto it = std::find_if(m_sections.begin(), m_sections.end(),
                               [name](const R2004SectionInfo& s) { return s.name == name; });
        if (it == m_sections.end()) return nullptr;
        const R2004SectionInfo& section = *it;
        bool compressed = section.compression == kCompressed;
        size_t cap = compressed ? kR2004MaxCompressedPageSize : kR2004MaxStoredPageSize;
        if ((!compressed && section.compression != kStored) || section.encrypted == kEncrypted ||
            section.maxPageSize == 0 || section.maxPageSize > cap) {
            return nullptr;
        }
        // The section holds no more than its pages can give, nor more than the
        // file can decompress to.
        uint64_t fileCap = m_file.Size() < UINT64_MAX / kLz77_2004MaxExpansion
                               ? m_file.Size() * kLz77_2004MaxExpansion
                               : UINT64_MAX;
        uint64_t size =
            std::min({section.size, section.pages.size() * uint64_t{section.maxPageSize}, fileCap});
        std::vector<SectionPage> pages;
        pages.reserve(section.pages.size());
        for (const R2004SectionPageRef& ref : section.pages) {
            if (ref.startOffset >= size) continue;  // no data of the section
            SectionPage page;
            page.sectionOffset = ref.startOffset;
            page.dataSize = std::min<uint64_t>(section.maxPageSize, size - ref.startOffset);
            page.pageNumber = static_cast<uint32_t>(ref.pageNumber);
            if (const R2004PageLocation* location = FindR2004Page(m_pages, ref.pageNumber)) {
                page.fileOffset = location->offset;
                page.storedSize = location->size;
            }
            pages.push_back(page);
        }
        return std::make_unique<PagedSection>(
            std::move(pages), size,
            R2004PageDecoder(m_file, section.id, compressed, section.maxPageSize));
    }

  private:
    ByteSource& m_file;
    std::vector<R2004PageLocation> m_pages;
    std::vector<R2004SectionInfo> m_sections;
};

}  // namespace

std::unique_ptr<DwgContainer> OpenR2004Container(ByteSource& file) {
    std::optional<R2004FileHeader> header = ReadR2004FileHeader(file);
    if (!header) return nullptr;
    std::vector<uint8_t> map;
    if (!ReadR2004SystemPage(file, header->pageMapOffset, kR2004PageMapType, map)) return nullptr;
    std::vector<R2004PageLocation> pages = ParseR2004PageMap({map.data(), map.size()});
    const R2004PageLocation* sectionMap =
        FindR2004Page(pages, static_cast<int32_t>(header->sectionMapId));
    if (sectionMap == nullptr ||
        !ReadR2004SystemPage(file, sectionMap->offset, kR2004SectionMapType, map)) {
        return nullptr;
    }
    std::optional<std::vector<R2004SectionInfo>> sections =
        ParseR2004SectionMap({map.data(), map.size()});
    if (!sections) return nullptr;
    return std::make_unique<R2004Container>(file, std::move(pages), std::move(*sections));
}
