// Two program records are independent: nothing the one does reaches the other.
#include "app/program.h"

#include <gtest/gtest.h>

#include "base/message_table.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

TEST(Program, RecordsAreIndependentAndStartFromDefaults) {
  ProgramRig a, b;
  a.program.conversion.abortRequested = 1;
  a.program.activeSettings.tolerance = 50;
  a.program.memory.setLimit(10);
  ASSERT_TRUE(image::setGeometry(a.program.image, 100, 50));
  EXPECT_TRUE(b.program.conversion.abortRequested == 0 && b.program.image.width == 0);
  EXPECT_EQ(b.program.activeSettings.tolerance, 30);
  EXPECT_EQ(b.program.memory.available(), platform::MemoryBudget::kUnlimited);

  // The runtime bundles references to the record's own parts.
  base::Runtime rt = a.program.runtime();
  base::ShowMessage(rt, msg::kNoPathsFound);
  EXPECT_EQ(a.ui->messages(), std::vector<std::string>{"No paths found"});
  EXPECT_TRUE(b.ui->messages().empty());
  EXPECT_EQ(&rt.state, &a.program.conversion);
  EXPECT_EQ(a.program.scratchFolder.rfind(a.dir.path + "/vectorlume-", 0), 0u);
  EXPECT_EQ(a.program.scratchFolder.back(), '/');
}

}  // namespace
}  // namespace vl::app::test
