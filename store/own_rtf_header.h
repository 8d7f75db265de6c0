// Recognises the header that writeRtfHeader writes and reads its tables back,
// so that a file this program wrote can be added to without reading its body.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "store/rtf_writer.h"

namespace solwire {

struct OwnRtfHeader {
  RtfTables tables;
  std::size_t size = 0;  // bytes of the header (with a byte order mark before it); the body follows
};

// The header when the file starts with exactly what writeRtfHeader writes for
// some tables, after an optional UTF-8 byte order mark; none for anything
// else, a file from another program included.
std::optional<OwnRtfHeader> readOwnRtfHeader(std::string_view file);

}  // namespace solwire
