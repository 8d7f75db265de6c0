#include "fleet/line_claim.h"

#include <utility>

#include "fleet/retained_site_list.h"

namespace solwire::fleet {

namespace {

// How long a foreign owner has to answer our ping: a live watcher answers
// within a round trip, a dead one's last will may take 1.5 keepalives.
constexpr auto kPongWait = std::chrono::seconds(3);
// How long our own ping may take to come back. A broker that never sends it
// (an access list that lets a watcher write its topics but not read them)
// leaves the line unchecked rather than never published.
constexpr auto kEchoWait = std::chrono::seconds(5);
constexpr std::size_t kLongestShownToken = 80;

// A token as it may be printed: anybody may have written it.
std::string shown(const std::string& token) {
  std::string text;
  for (const char c : token.substr(0, kLongestShownToken)) text += (c >= ' ' && c <= '~') ? c : '?';
  return text;
}

MqttMessage notRetained(std::string topic, std::string payload) {
  return {std::move(topic), std::move(payload), 1, false};
}

}  // namespace

LineClaim::LineClaim(LineClaimOptions options, Effects& effects)
    : options_(std::move(options)), topics_(options_.prefix, options_.line), effects_(effects) {}

std::vector<std::string> LineClaim::subscriptions() const {
  return {topics_.owner(), topics_.sites(), topics_.ownerPing(), topics_.ownerPong(), topics_.status()};
}

void LineClaim::connected(TimePoint now) {
  if (phase_ == Phase::Refused || phase_ == Phase::GivenBack) return;
  phase_ = Phase::AwaitingEcho;
  deadline_ = now + kEchoWait;
  retainedOwner_.clear();
  retainedSites_.clear();
  effects_.sendNow(notRetained(topics_.ownerPing(), options_.ownerToken));
}

void LineClaim::disconnected() {
  if (phase_ != Phase::Refused && phase_ != Phase::GivenBack) phase_ = Phase::Unconnected;
}

void LineClaim::received(const std::string& topic, const std::string& payload, TimePoint now) {
  if (topic == topics_.owner())
    ownerReceived(payload);
  else if (topic == topics_.sites() && phase_ == Phase::AwaitingEcho)
    retainedSites_ = sitesFromPayload(payload);
  else if (topic == topics_.ownerPing())
    pingReceived(payload, now);
  else if (topic == topics_.ownerPong() && phase_ == Phase::AwaitingPong && payload == retainedOwner_)
    refuse(payload, "publishes");
  else if (topic == topics_.status() && payload == "offline" && ownsLine())
    effects_.put({topics_.status(), "online"});  // an earlier owner's last will, late: we are still here
}

void LineClaim::ownerReceived(const std::string& token) {
  if (phase_ == Phase::AwaitingEcho) {
    retainedOwner_ = token;
  } else if (phase_ == Phase::AwaitingPong) {
    // Written while we wait: a live watcher, or the owner giving the line back.
    if (isForeign(token))
      refuse(token, "publishes");
    else
      claim();
  } else if (phase_ == Phase::Claimed) {
    // A foreign token before ours came back is overwritten by ours; after
    // it, ours was overwritten.
    if (token == options_.ownerToken)
      ownTokenCameBack_ = true;
    else if (isForeign(token) && ownTokenCameBack_)
      refuse(token, "took over");
  }
}

void LineClaim::pingReceived(const std::string& token, TimePoint now) {
  if (token != options_.ownerToken) {
    if (everClaimed_ && phase_ != Phase::Refused && phase_ != Phase::GivenBack)
      effects_.sendNow(notRetained(topics_.ownerPong(), options_.ownerToken));
    return;
  }
  if (phase_ != Phase::AwaitingEcho) return;
  if (!isForeign(retainedOwner_)) {
    claim();
    return;
  }
  phase_ = Phase::AwaitingPong;
  deadline_ = now + kPongWait;
}

void LineClaim::timePassed(TimePoint now) {
  if (now < deadline_) return;
  if (phase_ == Phase::AwaitingEcho) {
    effects_.note("the broker did not send back this watcher's message on " + topics_.ownerPing() +
                  "; publishing line " + options_.line + " without knowing whether another watcher publishes it");
    claim();
  } else if (phase_ == Phase::AwaitingPong) {
    effects_.note("the last watcher of line " + options_.line + " (" + shown(retainedOwner_) +
                  ") did not answer; taking the line over");
    claim();
  }
}

void LineClaim::claim() {
  phase_ = Phase::Claimed;
  ownTokenCameBack_ = false;
  effects_.put({topics_.owner(), options_.ownerToken});
  if (!everClaimed_ && options_.previousSites) options_.previousSites(retainedSites_);
  everClaimed_ = true;
  effects_.put({topics_.sites(), siteListPayload(options_.sites)});
  effects_.release();
}

void LineClaim::refuse(const std::string& token, const std::string& what) {
  phase_ = Phase::Refused;
  effects_.giveUp("another watcher (" + shown(token) + ") " + what + " line " + options_.line +
                  " on this broker; give each line its own --line-id");
}

void LineClaim::giveBack() {
  if (phase_ == Phase::Refused) return;
  if (phase_ == Phase::Claimed) effects_.put({topics_.owner(), ""});
  phase_ = Phase::GivenBack;
}

}  // namespace solwire::fleet
