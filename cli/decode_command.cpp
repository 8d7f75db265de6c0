#include "cli/commands.h"
#include "cli/hex_bytes.h"
#include "cli/site_json.h"
#include "protocol/reply_decoder.h"

namespace solwire::cli {

namespace {

// The model a capture is decoded into: a 48 V class with unit charge scale,
// as a site looks before its first reply.
SiteData freshModel() {
  SiteData data = startValues(4, 1);
  data.scaling.loadCurrentMultiplier = 0;
  data.scaling.alternateVoltageScale = false;
  return data;
}

void addDecodedFields(Json& json, RequestKind kind, const SiteData& data, int block) {
  switch (kind) {
    case RequestKind::CurrentState:
    case RequestKind::LogCurrentState: addCurrentState(json, data); break;
    case RequestKind::Settings: addSettings(json, data); break;
    case RequestKind::Calibration: addCalibration(json, data); break;
    case RequestKind::HistoryBlock:
      json["block"] = block;
      addHistoryDays(json, data, 4 * (block - 1), 4 * (block - 1) + 3);
      break;
    case RequestKind::AlarmInputs: addAlarmInputs(json, data); break;
  }
}

std::string withArticle(std::string_view noun) {
  const bool vowel = !noun.empty() && std::string_view("aeiou").find(noun.front()) != std::string_view::npos;
  return std::string(vowel ? "an " : "a ") + std::string(noun);
}

}  // namespace

int runDecode(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() < 3) {
    err << "usage: solwire-cli decode KIND HEX... [--block B]\n";
    return kExitUsage;
  }
  const auto kind = parseRequestKind(args.positional[1]);
  if (!kind) {
    err << "unknown request kind '" << args.positional[1] << "'\n";
    return kExitUsage;
  }
  const auto block = parseInteger(args.option("--block").value_or("1"), 1, kHistoryBlocks);
  if (!block) {
    err << "the history block must be 1..8\n";
    return kExitUsage;
  }
  const auto reply = parseHexBytes({args.positional.begin() + 2, args.positional.end()});
  if (!reply) {
    err << "the reply must be hexadecimal bytes, two digits each\n";
    return kExitUsage;
  }
  const auto expected = static_cast<std::size_t>(replyLength(*kind));
  if (reply->size() != expected) {
    err << withArticle(requestKindName(*kind)) << " reply is " << expected << " bytes long; got " << reply->size()
        << '\n';
    return kExitUsage;
  }

  SiteData data = freshModel();
  storeReply(data, *kind, *reply, *block);
  Json json;
  json["check"] = replyFramingOk(*kind, *reply) ? "ok" : "read error";
  addDecodedFields(json, *kind, data, *block);
  out << json.dump() << '\n';
  return kExitOk;
}

}  // namespace solwire::cli
