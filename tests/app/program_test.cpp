// Two program records are independent: nothing the one does reaches the other.
#include "app/program.h"

#include <gtest/gtest.h>

#include "base/message_table.h"
#include "platform/headless_ui.h"

namespace vl::app {
namespace {

TEST(Program, RecordsAreIndependentAndStartFromDefaults) {
  auto uiA = std::make_unique<platform::HeadlessUi>(nullptr);
  const platform::HeadlessUi& quietA = *uiA;
  Program a(std::move(uiA), "/tmp");
  Program b(std::make_unique<platform::HeadlessUi>(nullptr), "/tmp");
  a.conversion.abortRequested = 1;
  a.activeSettings.tolerance = 50;
  a.memory.setLimit(10);
  ASSERT_TRUE(image::setGeometry(a.image, 100, 50));
  EXPECT_TRUE(b.conversion.abortRequested == 0 && b.image.width == 0);
  EXPECT_EQ(b.activeSettings.tolerance, 30);
  EXPECT_EQ(b.memory.available(), platform::MemoryBudget::kUnlimited);

  // The runtime bundles references to the record's own parts.
  base::Runtime rt = a.runtime();
  base::ShowMessage(rt, msg::kNoPathsFound);
  EXPECT_EQ(quietA.messages(), std::vector<std::string>{"No paths found"});
  EXPECT_EQ(&rt.state, &a.conversion);
  EXPECT_EQ(a.scratchFolder.rfind("/tmp/vectorlume-", 0), 0u);
  EXPECT_EQ(a.scratchFolder.back(), '/');
}

}  // namespace
}  // namespace vl::app
