#include "serial/main_thread.h"

#include <condition_variable>
#include <iostream>
#include <memory>
#include <mutex>

namespace solwire {

void printErrorToStderr(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << "solwire: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "solwire: unknown exception in an event handler\n";
  }
}

bool MainThread::runAndWait(std::function<void()> task, std::chrono::milliseconds timeout) {
  if (isMainThread()) {
    task();
    return true;
  }
  struct Call {
    enum class State { Queued, Running, Done, Dropped };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Queued;
    std::function<void()> task;
  };
  auto call = std::make_shared<Call>();
  call->task = std::move(task);
  post([call] {
    {
      std::lock_guard lock(call->mutex);
      if (call->state != Call::State::Queued) return;
      call->state = Call::State::Running;
    }
    struct Finish {
      Call& call;
      ~Finish() {
        std::lock_guard lock(call.mutex);
        call.state = Call::State::Done;
        call.changed.notify_all();
      }
    } finish{*call};
    call->task();
  });
  std::unique_lock lock(call->mutex);
  call->changed.wait_for(lock, timeout, [&] { return call->state == Call::State::Done; });
  if (call->state == Call::State::Queued) call->state = Call::State::Dropped;
  return call->state == Call::State::Done;
}

}  // namespace solwire
