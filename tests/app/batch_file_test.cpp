// One batch file converted in this process, as the window runs a batch: converted, skipped when
// its output exists, and stopped by the caller's poll without leaving an output behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/batch.h"
#include "tests/app/app_fixtures.h"

namespace vl::app {
namespace {

struct BatchFile {
  test::TempDir dir;
  BatchRequest request;
  settings::Preferences prefs;
  BatchItem item{dir / "scan.tif", dir / "scan.eps"};
  BatchFile() {
    test::WriteBilevelTiff(item.input, 90, 40, test::Squares(3, 14));
    request.convert.settings = ParseContext::DefaultStart();
    request.convert.quiet = true;
    prefs.scratchFolder[0] = 0;
  }
};

TEST(BatchFile, ConvertsSkipsAndStopsAsThePollSays) {
  struct Case {
    const char* name;
    bool outputExists, replace;
    int stopAtPoll;  // 0: never
    FileStatus status;
    bool outputIsArt;
  };
  const Case cases[] = {
      {"converted", false, false, 0, FileStatus::kConverted, true},
      {"existing output skipped", true, false, 0, FileStatus::kSkipped, false},
      {"existing output replaced", true, true, 0, FileStatus::kConverted, true},
      {"stopped at the first poll", false, false, 1, FileStatus::kStopped, false},
      {"stopped while replacing keeps the old file", true, true, 1, FileStatus::kStopped, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BatchFile b;
    if (c.outputExists) test::WriteFile(b.item.output, "old");
    b.request.replace = c.replace;
    int polls = 0;
    const FileResult r = ConvertBatchFile(b.request, b.prefs, b.item, [&] {
      ++polls;
      return c.stopAtPoll > 0 && polls >= c.stopAtPoll;
    });
    EXPECT_EQ(r.status, c.status);
    const std::string art = test::ReadFile(b.item.output);
    if (c.outputIsArt) {
      EXPECT_EQ(art.rfind("%!PS-Adobe", 0), 0u);
      EXPECT_GT(polls, 0);  // the conversion asked while it ran
    } else if (c.outputExists) {
      EXPECT_EQ(art, "old");
    } else {
      EXPECT_FALSE(std::filesystem::exists(b.item.output));
    }
  }
}

}  // namespace
}  // namespace vl::app
