// What a watcher takes from outside: the retained site list another watcher
// (or anyone with write access) left on the broker, and the topic prefixes
// given on its command line. A list never names a site outside 0..31 nor one
// twice; an accepted prefix never holds a wildcard or an empty level.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fleet/retained_site_list.h"
#include "fleet/topic_prefix.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::vector<int> sites = solwire::fleet::sitesFromPayload(input);
  if (!std::is_sorted(sites.begin(), sites.end()) ||
      std::adjacent_find(sites.begin(), sites.end()) != sites.end() ||
      std::any_of(sites.begin(), sites.end(), [](int site) { return site < 0 || site > 31; }))
    std::abort();
  if (solwire::fleet::sitesFromPayload(solwire::fleet::siteListPayload(sites)) != sites) std::abort();

  if (!solwire::fleet::topicPrefixProblem(input)) {
    if (input.find_first_of("+#") != std::string::npos || input.find("//") != std::string::npos ||
        input.front() == '/' || input.back() == '/' || input.front() == '$')
      std::abort();
  }
  return 0;
}
