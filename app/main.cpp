// Vectorlume's entry point: creates the one program record, clears scratch folders left by
// processes that died, and (once the command line lands) runs it. Until then the program only
// reports its version and refuses everything else clearly.
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/message_table.h"
#include "app/program.h"
#include "platform/headless_ui.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("Vectorlume 0.1");
    return 0;
  }
  vl::app::Program program(std::make_unique<vl::platform::HeadlessUi>());
  vl::platform::RemoveStaleScratchFolders(vl::platform::DefaultScratchBase());
  program.ui->showMessage(vl::msg::Format(vl::msg::kNotAvailableInThisBuild, "The command line"));
  return 2;
}
