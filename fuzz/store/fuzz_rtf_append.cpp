// Feeds arbitrary bytes, as an existing file's contents, to the checks the
// append path makes: the strict structure check, the shortcut for files this
// program wrote, and the header reader. Whenever the shortcut extends the
// bytes, the result must read as the bytes' document with the addition
// appended, and must pass the strict check itself. The repair of a file an
// append left open must leave a closed document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "store/append_check.h"
#include "store/in_place_append.h"
#include "store/own_rtf_body.h"
#include "store/own_rtf_header.h"
#include "store/rich_text_file.h"
#include "store/rtf_reader.h"
#include "store/rtf_splice.h"

namespace {

solwire::RichTextDocument addition() {
  solwire::RichTextDocument document;
  document.endParagraph();
  document.appendRun("KVRD 数据 {x}\tcafé", 13, solwire::kBlue);
  document.appendRun(" 12.5 V", solwire::TextFormat{10, solwire::Rgb{1, 2, 3}, true, false, "Mono", solwire::FontKind::Monospace});
  return document;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const solwire::RichTextDocument kAddition = addition();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  (void)solwire::whyNotExtensible(input);
  (void)solwire::readOwnRtfHeader(input);
  (void)solwire::planTailRepair(input);
  if (const auto repaired = solwire::repairedOwnFile(input)) {
    if (!solwire::closingBrace(*repaired)) std::abort();
    (void)solwire::readRtf(*repaired);
  }
  if (const auto spliced = solwire::spliceIntoOwnRtf(input, kAddition)) {
    solwire::RichTextDocument expected = solwire::readRtf(input);
    expected.append(kAddition);
    if (solwire::readRtf(*spliced) != expected) std::abort();
    if (solwire::whyNotExtensible(*spliced)) std::abort();
  }
  return 0;
}
