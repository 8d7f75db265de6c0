// solwire serial transport benchmark: prints its figures; not part of the tests.
#include <cstdio>
#include <cstring>
#include <exception>

#include "bench_cases.h"

int main(int argc, char** argv) {
  const char* only = argc > 1 ? argv[1] : nullptr;
  auto wanted = [&](const char* name) { return only == nullptr || std::strcmp(only, name) == 0; };
  try {
    if (wanted("latency")) solwire::bench::replyLatency();
    if (wanted("throughput")) solwire::bench::floodThroughput();
    if (wanted("idle")) solwire::bench::idleWakeups();
    if (wanted("timer")) solwire::bench::timerAccuracy();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "serial_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
