#include "dwg/object_map.h"

namespace {

constexpr size_t kLocatorCountAt = 21;
constexpr size_t kLocatorsAt = 25;
constexpr size_t kLocatorBytes = 9;
constexpr uint64_t kMaxLocators = 256;
constexpr uint8_t kClassesLocator = 1;
constexpr uint8_t kObjectMapLocator = 2;

// A pair's two modular chars take at most ten bytes: the last pair, which
// starts at most two bytes before the section's end, may reach this far past it.
constexpr size_t kPairOverhang = 10;

}  // namespace

SectionLocators ReadSectionLocators(ByteSource& file) {
    SectionLocators locators;
    std::vector<uint8_t> scratch;
    ByteView head = file.Read(0, kLocatorsAt, scratch);
    if (head.size < kLocatorsAt || file.Size() < kLocatorsAt) return locators;
    uint64_t count = ReadLe32At(head, kLocatorCountAt);
    if (count > kMaxLocators || count > (file.Size() - kLocatorsAt) / kLocatorBytes) {
        return locators;
    }
    size_t bytes = static_cast<size_t>(count) * kLocatorBytes;
    ByteView records = file.Read(kLocatorsAt, bytes, scratch);
    if (records.size < bytes) return locators;
    for (size_t record = 0; record < bytes; record += kLocatorBytes) {
        uint64_t seeker = ReadLe32At(records, record + 1);
        if (records[record] == kClassesLocator) locators.classes = seeker;
        if (records[record] == kObjectMapLocator) locators.objectMap = seeker;
    }
    return locators;
}

ObjectMapReader::ObjectMapReader(CachedReader& source, uint64_t offset)
    : m_source(source), m_sectionStart(offset) {}

bool ObjectMapReader::EnterSection() {
    while (true) {
        uint64_t size = m_source.Size();
        if (m_sectionStart > size || size - m_sectionStart < 2) return false;
        ByteView sizeField = m_source.Read(m_sectionStart, 2);
        if (sizeField.size < 2) return false;
        size_t sectionSize = ReadBe16At(sizeField, 0);
        bool first = m_first;
        m_first = false;
        if (!first && sectionSize <= 2) return false;  // the closing section: size and CRC only
        if (sectionSize < 2) return false;  // a first section smaller than its size field
        // Pairs start at section byte 2 and go on while two or more bytes of
        // the S - 2 remain after the last byte read.
        if (sectionSize - 2 > 1) {
            ByteView bytes = m_source.Read(m_sectionStart, sectionSize + kPairOverhang);
            m_section.assign(bytes.data, bytes.data + bytes.size);
            m_sectionSize = sectionSize;
            m_cursor = ByteCursor{2};
            m_location = 0;
            return true;
        }
        m_sectionStart += sectionSize + 2;
    }
}

bool ObjectMapReader::Next(ObjectMapEntry& entry) {
    if (m_done) return false;
    if (!m_inSection) {
        if (!EnterSection()) {
            m_done = true;
            return false;
        }
        m_inSection = true;
    }
    ByteView section{m_section.data(), m_section.size()};
    uint64_t handleOffset = ReadModularChar(section, m_cursor);
    int64_t step = ReadSignedModularChar(section, m_cursor);
    if (m_cursor.overrun) {
        m_done = true;
        return false;
    }
    m_location += step;
    entry = ObjectMapEntry{m_ordinal++, handleOffset, m_location};
    if (!(m_cursor.pos - 1 < m_sectionSize - 2)) {
        m_inSection = false;
        m_sectionStart += m_sectionSize + 2;
    }
    return true;
}
