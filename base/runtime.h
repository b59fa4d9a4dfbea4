// What long operations need from their surroundings, gathered so that free functions can
// take one reference: the user interface, the memory budget, the conversion state, the
// shell's flags and the scratch folder. The program record builds it; tests build their own.
#pragma once

#include <string>

#include "base/application_state.h"
#include "base/conversion_state.h"
#include "platform/memory_block.h"
#include "platform/user_interface.h"

namespace vl::base {

struct Runtime {
  platform::UserInterface& ui;
  platform::MemoryBudget& memory;
  ConversionState& state;
  base::ApplicationState& app;
  std::string& scratchFolder;  // directory of this process's scratch files, ending in '/'
};

// Shows message `number` of the message table in the message box.
void ShowMessage(Runtime& rt, int number);

// Shows failure message `number` and records it (RecordFailure). The caller sets
// abortRequested where the failure stops the operation.
void ShowFailure(Runtime& rt, int number);

}  // namespace vl::base
