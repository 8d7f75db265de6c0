// A pseudo-terminal for the benchmarks: the benchmark drives the master side,
// the port opens the slave path.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace solwire::bench {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return path_; }
  int master() const { return master_; }
  // Writes all of `data` to the master side (blocking).
  void writeAll(const void* data, std::size_t size) const;

 private:
  int master_ = -1;
  std::string path_;
};

double processCpuSeconds();
double threadCpuSeconds();
double percentile(std::vector<double> values, double p);

}  // namespace solwire::bench
