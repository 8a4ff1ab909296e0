#pragma once
// The one way tests, benchmarks and tools run the event loop while they wait. Times are
// std::chrono durations (milliseconds), so a bare number of another unit does not compile.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <functional>

namespace support {

// Runs the event loop for the whole time given, sleeping briefly between rounds so that a
// waiting test does not take a core from the threads it waits for.
inline void PumpEvents(std::chrono::milliseconds time) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < time.count()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (t.elapsed() < time.count()) QThread::msleep(2);
  }
}

// Runs the event loop until done() holds (true) or the time is up (false). The bound is
// generous by intent: a hang shows as a failure, never as a slow pass.
inline bool PumpEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > limit.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

}  // namespace support

// Waits are written with the duration literals (100ms, 5s) wherever this header is used.
using namespace std::chrono_literals;
