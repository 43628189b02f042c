#include "dwg/paged_section.h"

#include <algorithm>
#include <cstring>

PagedSection::PagedSection(std::vector<SectionPage> pages, uint64_t size, PageDecoder decoder)
    : m_pages(std::move(pages)), m_size(0), m_decoder(std::move(decoder)) {
    // In section order; a page that overlaps the one before it is dropped.
    std::stable_sort(m_pages.begin(), m_pages.end(),
                     [](const SectionPage& a, const SectionPage& b) {
                         return a.sectionOffset < b.sectionOffset;
                     });
    uint64_t end = 0;
    size_t kept = 0;
    for (const SectionPage& page : m_pages) {
        if (page.sectionOffset < end || page.dataSize > UINT64_MAX - page.sectionOffset) continue;
        end = page.sectionOffset + page.dataSize;
        m_pages[kept++] = page;
    }
    m_pages.resize(kept);
    m_size = std::min(size, end);
}

const std::vector<uint8_t>* PagedSection::Page(size_t index) {
    ++m_clock;
    for (CachedPage& cached : m_cache) {
        if (cached.index == index) {
            cached.lastUse = m_clock;
            return &cached.data;
        }
    }
    CachedPage* slot;
    if (m_cache.size() < kCachedPages) {
        slot = &m_cache.emplace_back();
    } else {
        slot = &*std::min_element(
            m_cache.begin(), m_cache.end(),
            [](const CachedPage& a, const CachedPage& b) { return a.lastUse < b.lastUse; });
    }
    slot->index = index;
    slot->lastUse = m_clock;
    slot->data.clear();
    if (!m_decoder(m_pages[index], slot->data)) {
        slot->index = SIZE_MAX;
        m_damagedFrom = std::min(m_damagedFrom, m_pages[index].sectionOffset);
        return nullptr;
    }
    slot->data.resize(static_cast<size_t>(m_pages[index].dataSize));
    return &slot->data;
}

ByteView PagedSection::Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) {
    uint64_t end = std::min(m_size, m_damagedFrom);
    if (offset >= end) return {};
    count = static_cast<size_t>(std::min<uint64_t>(count, end - offset));
    scratch.assign(count, 0);
    // The first page that ends after `offset`.
    auto first = std::upper_bound(m_pages.begin(), m_pages.end(), offset,
                                  [](uint64_t at, const SectionPage& page) {
                                      return at < page.sectionOffset + page.dataSize;
                                  });
    size_t done = count;
    for (auto it = first; it != m_pages.end(); ++it) {
        const SectionPage& page = *it;
        if (page.sectionOffset >= offset + count) break;
        const std::vector<uint8_t>* data = Page(static_cast<size_t>(it - m_pages.begin()));
        if (data == nullptr) {
            // Damage ends the data at the page's start.
            done =
                page.sectionOffset > offset ? static_cast<size_t>(page.sectionOffset - offset) : 0;
            break;
        }
        uint64_t from = std::max(offset, page.sectionOffset);
        uint64_t to = std::min(offset + count, page.sectionOffset + page.dataSize);
        std::memcpy(scratch.data() + (from - offset), data->data() + (from - page.sectionOffset),
                    static_cast<size_t>(to - from));
    }
    scratch.resize(done);
    return {scratch.data(), scratch.size()};
}
