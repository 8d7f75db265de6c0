// Feeds arbitrary bytes to the RTF reader, then writes what it read and reads
// that back: the second reading must give the same paragraphs, with their
// layout, and the same runs, with their faces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "store/rich_text_file.h"
#include "store/rtf_reader.h"
#include "store/rtf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const solwire::RichTextDocument first = solwire::readRtf(input);
  const solwire::RichTextDocument second = solwire::readRtf(solwire::writeRtf(first));
  if (second.paragraphs() != first.paragraphs()) std::abort();
  (void)solwire::readRichText(input);  // the plain-text path for what is not RTF
  return 0;
}
