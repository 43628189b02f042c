#pragma once

#include <memory>

#include "bytes/byte_source.h"
#include "dwg/paged_section.h"

// The sections of an AC1021 (2007) drawing `file`: its file header at 0x80,
// page map and section map are read now; each section's pages when they are
// read. OpenSection(name) gives a PagedSection over the named section's pages
// whose size is the section map's data size (clipped at the end of the last
// page and at 256 times the file's size), or nullptr when there is no section
// of that name. Each page is read with positioned reads of `file`,
// de-interleaved when its section is Reed-Solomon coded (encoding 4) and
// decompressed when its compressed size is below its data size. At most four
// decoded pages are kept per section. The version in the first six bytes is
// not checked here: the caller has read "AC1021" there.
//
// Damage: nullptr when the file header, the page map or the section map does
// not decode, or a map runs past its data. A page that is missing from the
// page map, does not fit in its room or the file, claims more than 4 MiB, or
// does not decompress ends its section at the page's start.
//
// `file` must outlive the container and every section it opened. The
// container is not changed by OpenSection; each section it gives is used by
// one thread at a time.
std::unique_ptr<DwgContainer> OpenR2007Container(ByteSource& file);
