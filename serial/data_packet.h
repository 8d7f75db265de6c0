// TDataPacket: cuts packets out of a port's byte stream by a start condition
// (a start string, or any data) and end conditions (an end string, a size),
// delivering each as OnPacket / OnStringPacket on the main thread or
// reporting OnTimeout. All packets of one port share its TDataPacketManager.
//
//   TDataPacket datapack1(port);              // attach to a TComPort
//   datapack1.setStartCond(StartCondition::scAnyData);
//   datapack1.setEndCond(ecPacketSize);
//   datapack1.setAutoEnable(false);
//   datapack1.setPacketSize(27); datapack1.setTimeOut(150);
//   datapack1.setEnabled(true);               // wait for one reply
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "serial/link_operations.h"
#include "serial/packet_pattern.h"

namespace solwire {

class TComPort;
class TDataPacketManager;

enum class StartCondition { scString, scAnyData };

// End conditions, a set.
enum EndCondition : std::uint8_t {
  ecString = 0x01,
  ecPacketSize = 0x02,
};

class TDataPacket : public ReplyMatcher {
 public:
  TDataPacket() = default;
  explicit TDataPacket(TComPort& port) { setComPort(&port); }
  ~TDataPacket() override;
  TDataPacket(const TDataPacket&) = delete;
  TDataPacket& operator=(const TDataPacket&) = delete;

  // ---- ReplyMatcher
  void setPacketSize(std::int32_t size) override;
  std::int32_t PacketSize() const override;
  // Ticks of 55 ms from entering collection (for scAnyData: from enabling); 0: none.
  void setTimeOut(std::int32_t ticks) override;
  std::int32_t TimeOut() const override;
  // True starts matching (EInvalidProperty for inconsistent settings, the
  // packet then stays disabled); while the port is closed it only marks the
  // packet, which starts when the port opens.
  void setEnabled(bool enabled) override;
  bool Enabled() const override;

  // ---- properties
  void setComPort(TComPort* port);
  TComPort* ComPort() const { return port_; }
  void setAutoEnable(bool on);
  bool AutoEnable() const;
  void setStartCond(StartCondition condition);
  StartCondition StartCond() const;
  void setEndCond(std::uint8_t conditions);  // EndCondition bits
  std::uint8_t EndCond() const;
  void setStartString(const std::string& text);
  std::string StartString() const;
  void setEndString(const std::string& text);
  std::string EndString() const;
  void setIgnoreCase(bool on);
  bool IgnoreCase() const;
  void setIncludeStrings(bool on);
  bool IncludeStrings() const;

  enum class MatchState { Idle, WaitingStart, Collecting };

  // Raised after OnPacket with the same bytes.
  std::function<void(TDataPacket& sender, const std::string& data)> OnStringPacket;

 private:
  friend class TDataPacketManager;

  // Locks the manager's mutex, which guards every field below while attached.
  std::unique_lock<std::mutex> guard() const;
  void detached() {
    manager_ = nullptr;
    port_ = nullptr;
  }

  TComPort* port_ = nullptr;
  TDataPacketManager* manager_ = nullptr;

  bool enabled_ = false;
  bool autoEnable_ = true;
  StartCondition startCond_ = StartCondition::scString;
  std::uint8_t endCond_ = 0;
  std::string startString_;
  std::string endString_;
  bool ignoreCase_ = true;
  bool includeStrings_ = true;
  std::int32_t packetSize_ = 0;
  std::int32_t timeOut_ = 2184;

  // Matching state.
  MatchState state_ = MatchState::Idle;
  bool startPending_ = false;    // scAnyData waiting for another packet's lock
  bool enableDeferred_ = false;  // enabled during a delivery; starts when it ends
  std::size_t pos_ = 0;          // next buffer position to look at
  std::ptrdiff_t packetStart_ = -1;
  std::size_t startIndex_ = 0;
  std::int32_t targetSize_ = 0;
  PacketPattern startPattern_;
  PacketPattern endPattern_;
  bool patternsStale_ = true;  // the strings or IgnoreCase changed since they were prepared
};

}  // namespace solwire
