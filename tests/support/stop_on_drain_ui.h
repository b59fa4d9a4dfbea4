// A user who presses Stop at the n-th look at the event queue, for tests of a long operation
// stopped in the middle. The clock moves on 100 ms per reading, so every abort poll looks.
#pragma once

#include "platform/headless_ui.h"

namespace vl::test_support {

struct StopOnDrainUi : platform::HeadlessUi {
  explicit StopOnDrainUi(int stopAtDrain) : HeadlessUi(nullptr), stopAt(stopAtDrain) {}
  bool drainEvents() override { return ++drains == stopAt; }
  std::uint32_t tickCount() override { return now += 100; }
  int stopAt, drains = 0;
  std::uint32_t now = 0;
};

}  // namespace vl::test_support
