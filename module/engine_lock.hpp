// The engine lock: the model state is one per process, so every use of it
// (a routine call, a shared-block member read or written, a typed analysis)
// holds this lock. It is recursive, so that host code run from inside a
// routine (a signal handler at an interrupt check) cannot deadlock its own
// thread.
//
// Order: a thread never waits for the engine lock while it holds the
// interpreter lock (it releases that lock while it waits), and the engine
// work that runs without the interpreter lock takes it back only briefly, to
// check for interrupts. So two threads never each hold one lock and wait
// for the other.
#pragma once

#include <pybind11/pybind11.h>

#include <mutex>

namespace ruvo::module {

std::recursive_mutex& engine_mutex();

// Fork safety: os.fork waits for the engine lock and holds it across the
// fork, so that a child (a process pool's worker) never inherits the lock
// held by another thread's analysis; the child starts with a free lock and
// the model state as the last analysis left it. Registered at module set-up.
void hold_engine_across_fork();

// Holds the engine lock for its lifetime; called with the interpreter lock held.
class EngineLock {
public:
  EngineLock() : lock_(engine_mutex(), std::defer_lock) {
    if (lock_.try_lock()) return;
    pybind11::gil_scoped_release waiting;
    lock_.lock();
  }

private:
  std::unique_lock<std::recursive_mutex> lock_;
};

}  // namespace ruvo::module
