#include "serial/comm_exception.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace solwire {
namespace {

struct CodeMessage {
  int absCode;
  std::string_view message;
};

// Sorted by absolute code for the binary search.
constexpr std::array<CodeMessage, 15> kMessages{{
    {1002, "Bad argument passed to function"},
    {2001, "ie_BadId - Specified comport doesn't exist"},
    {2007, "ie_NOpen - device not open"},
    {2008, "ie_Open - device already open"},
    {2011, "The ComNumber property of the TComPort has not been set"},
    {2012, "Comport was not opened by Tapi"},
    {3006, "Output buffer too small for block"},
    {3007, "Buffer is empty"},
    {5001, "No more trigger slots"},
    {5003, "Bad trigger handle"},
    {5501, "Start string is empty"},
    {5502, "Packet size cannot be smaller than start string"},
    {5503, "CharCount packets must have an end-condition"},
    {5504, "End string is empty"},
    {5505, "Packet size cannot be zero"},
}};

constexpr int kLastSystemCode = 999;

std::string systemMessage(int errorNumber) {
  std::string text = std::strerror(errorNumber);
  std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
  return text;
}

}  // namespace

std::string commErrorMessage(int code) {
  const int absCode = std::abs(code);
  const auto* found = std::lower_bound(kMessages.begin(), kMessages.end(), absCode,
                                       [](const CodeMessage& entry, int value) { return entry.absCode < value; });
  if (found != kMessages.end() && found->absCode == absCode) return std::string(found->message);
  if (absCode > 0 && absCode <= kLastSystemCode) return systemMessage(absCode);
  return "Serial communications error " + std::to_string(code);
}

ECommException::ECommException(int code) : ECommException(code, commErrorMessage(code)) {}

ECommException::ECommException(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

namespace {

template <typename Exception>
[[noreturn]] void raiseWith(Exception error, std::string systemReason) {
  error.setSystemReason(std::move(systemReason));
  throw error;
}

}  // namespace

void raiseCommError(int code) { raiseCommError(code, std::string()); }

void raiseCommError(int code, std::string reason) {
  switch (code) {
    case comm_error::kBadArgument: raiseWith(EBadArgument(), std::move(reason));
    case comm_error::kBadId: raiseWith(EBadId(), std::move(reason));
    case comm_error::kCommNotOpen: raiseWith(ECommNotOpen(), std::move(reason));
    case comm_error::kAlreadyOpen: raiseWith(EAlreadyOpen(), std::move(reason));
    case comm_error::kNoPortSelected: raiseWith(ENoPortSelected(), std::move(reason));
    case comm_error::kNotOpenedByTapi: raiseWith(ENotOpenedByTapi(), std::move(reason));
    case comm_error::kOutputBufferTooSmall: raiseWith(EOutputBufferTooSmall(), std::move(reason));
    case comm_error::kBufferIsEmpty: raiseWith(EBufferIsEmpty(), std::move(reason));
    case comm_error::kNoMoreTriggers: raiseWith(ENoMoreTriggers(), std::move(reason));
    case comm_error::kBadTriggerHandle: raiseWith(EBadTriggerHandle(), std::move(reason));
    case comm_error::kStartStringEmpty:
    case comm_error::kPacketSmallerThanStart:
    case comm_error::kNoEndCondition:
    case comm_error::kEndStringEmpty:
    case comm_error::kPacketSizeZero: raiseWith(EInvalidProperty(code), std::move(reason));
    default: raiseWith(ECommException(code), std::move(reason));
  }
}

}  // namespace solwire
