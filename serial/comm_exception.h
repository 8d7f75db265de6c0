// The exceptions of the serial transport. Every failure below the user interface
// is an ECommException carrying a negative error code; the class tells the kind
// of failure and the message comes from the code table in comm_exception.cpp.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace solwire {

// Error codes the transport raises.
namespace comm_error {
inline constexpr int kBadArgument = -1002;
inline constexpr int kBadId = -2001;
inline constexpr int kCommNotOpen = -2007;
inline constexpr int kAlreadyOpen = -2008;
inline constexpr int kNoPortSelected = -2011;
inline constexpr int kNotOpenedByTapi = -2012;
inline constexpr int kOutputBufferTooSmall = -3006;
inline constexpr int kBufferIsEmpty = -3007;
inline constexpr int kNoMoreTriggers = -5001;
inline constexpr int kBadTriggerHandle = -5003;
inline constexpr int kStartStringEmpty = -5501;
inline constexpr int kPacketSmallerThanStart = -5502;
inline constexpr int kNoEndCondition = -5503;
inline constexpr int kEndStringEmpty = -5504;
inline constexpr int kPacketSizeZero = -5505;
}  // namespace comm_error

// The message for a code: the table's text, or for codes -1..-999 (negated
// operating-system error numbers) the system's text, else a generic text.
std::string commErrorMessage(int code);

class ECommException : public std::runtime_error {
 public:
  explicit ECommException(int code);
  ECommException(int code, const std::string& message);
  int code() const noexcept { return code_; }
  // The operating system's own words for a failure that came from a system
  // call ("No such file or directory"); empty otherwise. what() stays the
  // code's message whatever this holds.
  const std::string& systemReason() const noexcept { return systemReason_; }
  void setSystemReason(std::string reason) { systemReason_ = std::move(reason); }

 private:
  int code_;
  std::string systemReason_;
};

// Branches of the tree.
class EGeneral : public ECommException { using ECommException::ECommException; };
class EOpenComm : public ECommException { using ECommException::ECommException; };
class ESerialIO : public ECommException { using ECommException::ECommException; };
class ETrigger : public ECommException { using ECommException::ECommException; };
class EPacket : public ECommException { using ECommException::ECommException; };

#define SOLWIRE_COMM_EXCEPTION(Name, Base, Code) \
  class Name : public Base {                     \
   public:                                       \
    Name() : Base(Code) {}                       \
  };

SOLWIRE_COMM_EXCEPTION(EBadArgument, EGeneral, comm_error::kBadArgument)
SOLWIRE_COMM_EXCEPTION(EBadId, EOpenComm, comm_error::kBadId)
SOLWIRE_COMM_EXCEPTION(ECommNotOpen, EOpenComm, comm_error::kCommNotOpen)
SOLWIRE_COMM_EXCEPTION(EAlreadyOpen, EOpenComm, comm_error::kAlreadyOpen)
SOLWIRE_COMM_EXCEPTION(ENoPortSelected, EOpenComm, comm_error::kNoPortSelected)
SOLWIRE_COMM_EXCEPTION(ENotOpenedByTapi, EOpenComm, comm_error::kNotOpenedByTapi)
SOLWIRE_COMM_EXCEPTION(EOutputBufferTooSmall, ESerialIO, comm_error::kOutputBufferTooSmall)
SOLWIRE_COMM_EXCEPTION(EBufferIsEmpty, ESerialIO, comm_error::kBufferIsEmpty)
SOLWIRE_COMM_EXCEPTION(ENoMoreTriggers, ETrigger, comm_error::kNoMoreTriggers)
SOLWIRE_COMM_EXCEPTION(EBadTriggerHandle, ETrigger, comm_error::kBadTriggerHandle)

#undef SOLWIRE_COMM_EXCEPTION

// Inconsistent packet settings (codes -5501..-5505).
class EInvalidProperty : public EPacket {
 public:
  explicit EInvalidProperty(int code) : EPacket(code) {}
};

// Throws the exception class that belongs to `code` (a negative code).
[[noreturn]] void raiseCommError(int code);
// The same, carrying the system's words for the failure alongside.
[[noreturn]] void raiseCommError(int code, std::string systemReason);

// Throws for a negative result and passes a non-negative one through.
inline int checkComm(int result) {
  if (result < 0) raiseCommError(result);
  return result;
}

}  // namespace solwire
