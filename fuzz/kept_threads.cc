#include "kept_threads.h"

#include <thread>

JoinThread KeptThreads::Start(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mutex_);
  Thread* idle = nullptr;
  for (const std::unique_ptr<Thread>& thread : threads_)
    if (thread->started == thread->finished) idle = thread.get();
  if (!idle) {
    threads_.push_back(std::make_unique<Thread>());
    idle = threads_.back().get();
    try {
      std::thread([this, idle] { Serve(*idle); }).detach();
    } catch (...) {
      threads_.pop_back();
      return nullptr;
    }
  }
  idle->work = std::move(work);
  const std::uint64_t number = ++idle->started;
  idle->handedOver.notify_one();
  return [this, idle, number] {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return idle->finished >= number; });
  };
}

void KeptThreads::Serve(Thread& thread) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    thread.handedOver.wait(lock, [&] { return thread.work != nullptr; });
    std::function<void()> work = std::move(thread.work);
    thread.work = nullptr;
    lock.unlock();
    work();
    work = nullptr;  // what the work held goes before it counts as finished
    lock.lock();
    ++thread.finished;
    finished_.notify_all();
  }
}
