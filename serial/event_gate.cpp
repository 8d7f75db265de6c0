#include "serial/event_gate.h"

namespace solwire {

struct EventGate::Call {
  enum class State { Queued, Running, Done, Dropped };
  std::function<void()> task;
  State state = State::Queued;
};

struct EventGate::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool closed = false;
  std::shared_ptr<Call> waiting;
  int* depth = nullptr;  // the gate's depth; null once the gate is gone
};

EventGate::EventGate(MainThread& mainThread) : mainThread_(mainThread), shared_(std::make_shared<Shared>()) {
  shared_->depth = &depth_;
}

EventGate::~EventGate() {
  std::lock_guard lock(shared_->mutex);
  shared_->closed = true;
  shared_->depth = nullptr;
  if (shared_->waiting && shared_->waiting->state == Call::State::Queued) shared_->waiting->state = Call::State::Dropped;
  shared_->changed.notify_all();
}

bool EventGate::runAndWait(std::function<void()> task, std::chrono::milliseconds timeout) {
  if (mainThread_.isMainThread()) {
    ++depth_;
    struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{depth_};
    task();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->task = std::move(task);
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->closed) return false;
    shared_->waiting = call;
  }
  mainThread_.post([shared = shared_, call] {
    {
      std::lock_guard lock(shared->mutex);
      if (call->state != Call::State::Queued || shared->depth == nullptr) return;
      call->state = Call::State::Running;
      ++*shared->depth;
    }
    struct Finish {
      Shared& shared;
      Call& call;
      ~Finish() {
        std::lock_guard lock(shared.mutex);
        if (shared.depth != nullptr) --*shared.depth;
        call.state = Call::State::Done;
        shared.changed.notify_all();
      }
    } finish{*shared, *call};
    call->task();
  });
  std::unique_lock lock(shared_->mutex);
  shared_->changed.wait_for(lock, timeout, [&] {
    return call->state == Call::State::Done || call->state == Call::State::Dropped;
  });
  if (call->state == Call::State::Queued) call->state = Call::State::Dropped;
  if (shared_->waiting == call) shared_->waiting.reset();
  return call->state == Call::State::Done;
}

void EventGate::close() {
  std::lock_guard lock(shared_->mutex);
  shared_->closed = true;
  if (shared_->waiting && shared_->waiting->state == Call::State::Queued) {
    shared_->waiting->state = Call::State::Dropped;
    shared_->changed.notify_all();
  }
}

void EventGate::open() {
  std::lock_guard lock(shared_->mutex);
  shared_->closed = false;
}

bool EventGate::closed() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->closed;
}

}  // namespace solwire
