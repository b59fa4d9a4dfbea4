// Two program records are independent: nothing the one does reaches the other.
#include "app/program.h"

#include <gtest/gtest.h>

#include "app/message_table.h"
#include "platform/headless_ui.h"

namespace {

TEST(Program, RecordsAreIndependentAndStartFromDefaults) {
  auto uiA = std::make_unique<vl::platform::HeadlessUi>(nullptr);
  auto* quietA = uiA.get();
  vl::app::Program a(std::move(uiA), "/tmp");
  vl::app::Program b(std::make_unique<vl::platform::HeadlessUi>(nullptr), "/tmp");

  a.conversion.abortRequested = 1;
  a.activeSettings.tolerance = 50;
  a.memory.setLimit(10);
  ASSERT_TRUE(vl::image::setGeometry(a.image, 100, 50));

  EXPECT_EQ(b.conversion.abortRequested, 0);
  EXPECT_EQ(b.activeSettings.tolerance, 30);
  EXPECT_EQ(b.image.width, 0);
  EXPECT_EQ(b.memory.available(), vl::platform::MemoryBudget::kUnlimited);

  // The runtime bundles references to the record's own parts.
  vl::engine::Runtime rt = a.runtime();
  vl::engine::ShowMessage(rt, vl::msg::kNoPathsFound);
  ASSERT_EQ(quietA->messages().size(), 1u);
  EXPECT_EQ(quietA->messages()[0], "No paths found");
  EXPECT_EQ(&rt.state, &a.conversion);
  EXPECT_NE(a.scratchFolder.find("/tmp/vectorlume-"), std::string::npos);
  EXPECT_EQ(a.scratchFolder.back(), '/');
}

}  // namespace
