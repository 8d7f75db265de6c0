#include "protocol/request_waiter.h"

namespace solwire {

RequestWaiter::RequestWaiter(LinkController& link) : link_(link) {
  subscription_ = link_.subscribe([this](const RequestOutcome& outcome) { heard(outcome); });
}

RequestWaiter::~RequestWaiter() { link_.unsubscribe(subscription_); }

RequestId RequestWaiter::ask(Requester requester) {
  asking_ = true;
  const RequestId id = link_.Getdata(requester);
  asking_ = false;
  asked_.insert(id);
  // Outcomes heard while asking that were not this request's are not ours.
  std::erase_if(ended_, [this](const auto& entry) { return !asked_.contains(entry.first); });
  return id;
}

void RequestWaiter::heard(const RequestOutcome& outcome) {
  if (asking_ || asked_.contains(outcome.request.id)) ended_.insert_or_assign(outcome.request.id, outcome);
}

std::optional<RequestOutcome> RequestWaiter::take(RequestId id) {
  const auto found = ended_.find(id);
  if (found == ended_.end()) return std::nullopt;
  RequestOutcome outcome = found->second;
  ended_.erase(found);
  asked_.erase(id);
  return outcome;
}

}  // namespace solwire
