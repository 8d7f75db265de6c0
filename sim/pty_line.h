// A pseudo-terminal pair whose far end a serial client opens as its device.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace solwire::sim {

class PtyLine {
 public:
  // Opens a new pty in raw mode; throws std::system_error on failure.
  PtyLine();
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // The device path the client opens (/dev/pts/N).
  const std::string& devicePath() const { return path_; }
  int fd() const { return master_; }
  // Reads what is there without blocking; returns the byte count (0 when none).
  std::size_t readAvailable(std::span<std::uint8_t> buffer);
  void write(std::span<const std::uint8_t> bytes);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

}  // namespace solwire::sim
