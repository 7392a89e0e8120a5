#include "run/thread_starter.h"

#include <memory>
#include <thread>

JoinThread StartThread(std::function<void()> work) {
  try {
    // A thread that is never joined is detached when its last handle goes.
    std::shared_ptr<std::thread> thread(new std::thread(std::move(work)), [](std::thread* t) {
      if (t->joinable()) t->detach();
      delete t;
    });
    return [thread] {
      if (thread->joinable() && thread->get_id() != std::this_thread::get_id()) thread->join();
    };
  } catch (...) {
    return nullptr;
  }
}
