// A caller's side of the outcomes: it asks through the waiter and later takes
// the outcome of each request it asked, which may have come before the
// request's number was known (a refusal, a port that would not open).
#pragma once

#include <map>
#include <optional>
#include <set>

#include "protocol/link_controller.h"

namespace solwire {

class RequestWaiter {
 public:
  explicit RequestWaiter(LinkController& link);
  ~RequestWaiter();
  RequestWaiter(const RequestWaiter&) = delete;
  RequestWaiter& operator=(const RequestWaiter&) = delete;

  RequestId ask(Requester requester);
  // The outcome of `id` once it has come; taking it forgets it.
  std::optional<RequestOutcome> take(RequestId id);
  bool ended(RequestId id) const { return ended_.contains(id); }

 private:
  void heard(const RequestOutcome& outcome);

  LinkController& link_;
  int subscription_ = 0;
  bool asking_ = false;
  std::set<RequestId> asked_;
  std::map<RequestId, RequestOutcome> ended_;
};

}  // namespace solwire
