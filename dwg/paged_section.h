#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "bytes/byte_source.h"

// One page of a section of a 2004-or-later drawing: where its decompressed
// data sits in the section, and whatever its decoder needs to find it.
struct SectionPage {
    uint64_t sectionOffset = 0;  // first byte of the page's data within the section
    uint64_t dataSize = 0;       // bytes of decompressed data the page gives
    uint64_t fileOffset = 0;     // where the page starts in the file
    uint64_t storedSize = 0;     // bytes it takes in the file (compressed, encoded)
    uint32_t pageNumber = 0;
};

// Decodes one page into `out` (resized to the page's dataSize). Returns false
// when the page is damaged: the section then ends before it.
using PageDecoder = std::function<bool(const SectionPage& page, std::vector<uint8_t>& out)>;

// A section's decompressed data seen as a byte source. Pages are decoded when
// a read first needs them and kept in a small cache, so memory stays a few
// pages whatever the section's size. Pages are put in order of their
// sectionOffset; one that overlaps the page before it is dropped, and a gap
// between pages reads as zeros.
//
// Damage: a page that fails to decode ends the section at its start (Size()
// does not shrink, but reads from there on give fewer bytes or none).
class PagedSection final : public ByteSource {
  public:
    // `size` is the section's stated data size, clipped at the end of the
    // last page.
    PagedSection(std::vector<SectionPage> pages, uint64_t size, PageDecoder decoder);

    // The most pages kept decoded at a time; the page used longest ago makes
    // room for a new one.
    static constexpr size_t kCachedPages = 4;

    uint64_t Size() const override { return m_size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override;

  private:
    // The decoded data of page `index`, or nullptr when it is damaged.
    const std::vector<uint8_t>* Page(size_t index);

    struct CachedPage {
        size_t index = 0;
        uint64_t lastUse = 0;
        std::vector<uint8_t> data;
    };

    std::vector<SectionPage> m_pages;
    uint64_t m_size;
    PageDecoder m_decoder;
    std::vector<CachedPage> m_cache;
    uint64_t m_clock = 0;
    uint64_t m_damagedFrom = UINT64_MAX;  // section offset where damage ends the data
};

// The sections of a 2004-or-later drawing (AC1018 and later), found through
// the container's page map and section map.
class DwgContainer {
  public:
    virtual ~DwgContainer() = default;

    // The decompressed data of the section named `name` ("AcDb:Handles",
    // "AcDb:AcDbObjects", "AcDb:Classes", "AcDb:Header", ...), or nullptr when
    // the drawing has no such section or its description is damaged.
    virtual std::unique_ptr<ByteSource> OpenSection(std::string_view name) = 0;
};
