// Metafiles through the save driver: the file it leaves, and the failures: a file that
// cannot be created, a full disk, a target that cannot seek back to its header, a stop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "app/message_table.h"
#include "tests/art/emf/emf_test_env.h"
#include "tests/support/stop_on_drain_ui.h"

namespace vl::art::test {
namespace {

const std::vector<std::string> kDiskFull{std::string(msg::Text(msg::kDiskFullOrLocked))};

TEST(EmfSave, TheDriverWritesTheMetafileAndFailuresShowTheDiskMessage) {
  EmfEnv env;
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{1, 1}, {30, 1}, {30, 20}, {1, 1}});
  const std::string path = env.folder.path + "art.emf";
  ASSERT_TRUE(env.save(env.rt, path));
  EXPECT_FALSE(env.modified);
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(env.write("direct.emf")));
  env.options.metafile.width = 0;  // without the true width the padded 64 pixels frame it
  ASSERT_TRUE(env.save(env.rt, path));
  EXPECT_EQ(I32(ParseRecords(ReadWholeFile(path))[0].body, 24), 2257);
  EXPECT_TRUE(env.ui.messages().empty());

  EXPECT_FALSE(env.save(env.rt, env.folder.path + "missing-folder/art.emf"));
  EXPECT_EQ(env.ui.messages(), kDiskFull);
  env.ui.clearMessages();
  EXPECT_FALSE(env.save(env.rt, "/dev/full"));  // a write error marks the art modified again
  EXPECT_EQ(env.ui.messages(), kDiskFull);
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_TRUE(env.modified);
  // A pipe takes the records but cannot go back for the header: the save fails, once.
  env.ui.clearMessages();
  const std::string pipe = env.folder.path + "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(env.save(env.rt, pipe));
  EXPECT_EQ(env.ui.messages(), kDiskFull);
  struct stat info {};
  EXPECT_TRUE(stat(pipe.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));  // never replaced
}

TEST(EmfSave, AStopKeepsAClosedMetafileWithThePathsSoFar) {
  EmfEnv env;
  env.paint(PaintType::Black, PaintType::None);
  for (int i = 0; i < 60; ++i) env.linePath({{2, 2}, {9, 2}, {9, 9}, {2, 2}});
  test_support::StopOnDrainUi ui(31);  // Stop seen by the poll before the 31st path
  engine::Runtime stopping{ui, env.memory, env.state, env.app, env.scratch};
  const std::string path = env.folder.path + "stopped.emf";
  EXPECT_FALSE(env.save(stopping, path));
  EXPECT_TRUE(env.modified);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(env.state.abortRequested, 1);
  const std::string file = ReadWholeFile(path);
  std::vector<EmfRecordView> records = ParseRecords(file);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().type, T(EmfRecordType::Eof));
  EXPECT_EQ(U32(records[0].body, 40), file.size());
  EXPECT_EQ(U32(records[0].body, 44), records.size());
  std::vector<std::uint32_t> types = Types(records);
  EXPECT_EQ(std::count(types.begin(), types.end(), T(EmfRecordType::FillPath)), 30);
}

}  // namespace
}  // namespace vl::art::test
