// One watcher per line on a broker: two watchers of one line would mix the
// readings of two regulators on one site's topics. The line's owner keeps its
// token retained on <prefix>/<line>/owner and answers every other watcher's
// ping on owner/ping with a pong carrying its token on owner/pong.
//
// On each connection a watcher pings with its own token; since it is
// subscribed to owner/ping, its ping coming back means that the broker has
// sent it every retained message of its subscriptions. An owner topic that is
// then empty or holds its own token makes the line its own at once; a
// foreign owner is given a few seconds to answer: a pong refuses the line,
// silence means that the owner is gone (its last will may come much later),
// and the line is taken over. A foreign token on the owner topic after ours
// came back means that the line was taken over from us: we give up too.
//
// An earlier owner that vanished without a clean stop has its last will
// ("offline" on the line's status) sent by the broker only when its
// keep-alive runs out, maybe after we took the line over: while the line is
// ours, "offline" there is answered with "online".
//
// Nothing of a watcher's own goes out before its claim is settled; when it
// is, the owner token and the line's site list are put before the outbox is
// released. No libmosquitto here: the connection feeds it what it receives
// and the time.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "fleet/fleet_topics.h"
#include "fleet/mqtt_message.h"

namespace solwire::fleet {

struct LineClaimOptions {
  std::string prefix = "solwire";
  std::string line;
  std::string ownerToken;
  std::vector<int> sites;  // retained on <prefix>/<line>/sites once the line is ours
  // The list that ours replaces, once, before anything of ours goes out, so
  // that removals of the sites no longer read go out with it. It runs on the
  // connection's network thread and may only put messages.
  std::function<void(std::vector<int> previousSites)> previousSites;
};

class LineClaim {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // What a claim does through its connection.
  class Effects {
   public:
    virtual ~Effects() = default;
    virtual void sendNow(const MqttMessage& message) = 0;  // a ping or a pong, past the held outbox
    virtual void put(const MqttMessage& message) = 0;      // into the held outbox
    virtual void release() = 0;                            // the outbox goes out
    virtual void giveUp(const std::string& reason) = 0;    // the line is not ours: nothing more goes out
    virtual void note(const std::string& text) = 0;
  };

  LineClaim(LineClaimOptions options, Effects& effects);

  // To subscribe to on every connection, before connected() is called.
  std::vector<std::string> subscriptions() const;
  void connected(TimePoint now);
  void disconnected();
  void received(const std::string& topic, const std::string& payload, TimePoint now);
  void timePassed(TimePoint now);
  // A clean stop: the owner topic is emptied, so that the next watcher of
  // the line need not wait for an answer.
  void giveBack();
  // Our token came back from the owner topic: a watcher of the line that
  // connects now finds it there.
  bool ownsLine() const { return phase_ == Phase::Claimed && ownTokenCameBack_; }

 private:
  enum class Phase { Unconnected, AwaitingEcho, AwaitingPong, Claimed, Refused, GivenBack };

  void ownerReceived(const std::string& token);
  void pingReceived(const std::string& token, TimePoint now);
  void claim();
  void refuse(const std::string& token, const std::string& what);
  bool isForeign(const std::string& token) const { return !token.empty() && token != options_.ownerToken; }

  LineClaimOptions options_;
  FleetTopics topics_;
  Effects& effects_;
  Phase phase_ = Phase::Unconnected;
  TimePoint deadline_;
  std::string retainedOwner_;
  std::vector<int> retainedSites_;
  bool everClaimed_ = false;
  bool ownTokenCameBack_ = false;
};

}  // namespace solwire::fleet
