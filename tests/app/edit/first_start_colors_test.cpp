// The start-up colour file at the first start: made from the built-in colours when the
// configuration folder holds no preferences yet, so that nothing is asked; a folder with
// preferences whose colour file went missing is asked about as before.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/color_table_actions.h"
#include "base/message_table.h"
#include "settings/preferences_store.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

struct Start : ProgramRig {
  std::string folder = dir / "config/vectorlume";
  std::string colorFile() const { return folder + "/" + std::string(msg::Text(msg::kDefaultColorFileName)); }
  // The window's start: the first start's file, then the start-up load.
  bool start() {
    static_cast<void>(InstallFirstStartColors(program, folder));
    return LoadStartupColors(program, folder, true);
  }
};

TEST(FirstStartColors, AFreshFolderGetsTheBuiltInColoursWithoutAQuestion) {
  Start first;
  ASSERT_TRUE(first.start());
  EXPECT_TRUE(first.ui->questions().empty());
  EXPECT_TRUE(first.ui->messages().empty());
  EXPECT_TRUE(std::filesystem::exists(first.colorFile()));
  // The same colours as the built-in ones offered by the question.
  Start asked;
  asked.ui->scriptAnswers({"ok"});
  ASSERT_TRUE(LoadStartupColors(asked.program, asked.folder, true));
  ASSERT_EQ(asked.ui->questions().size(), 1u);
  ASSERT_FALSE(asked.program.customColors.colors.empty());
  ASSERT_EQ(first.program.customColors.colors.size(), asked.program.customColors.colors.size());
  for (std::size_t i = 0; i < asked.program.customColors.colors.size(); ++i) {
    const art::CustomColor& a = first.program.customColors.colors[i];
    const art::CustomColor& b = asked.program.customColors.colors[i];
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(std::tie(a.c, a.m, a.y, a.k), std::tie(b.c, b.m, b.y, b.k)) << a.name;
  }
  EXPECT_EQ(first.program.livePrefs.customColorCount, std::int16_t(asked.program.customColors.colors.size()));
}

TEST(FirstStartColors, LaterStartsKeepTheUsersFileOrAskWhenItIsGone) {
  Start later;
  std::filesystem::create_directories(later.folder);
  WriteFile(later.folder + "/" + settings::kPrefsFileName, "");
  later.ui->scriptAnswers({"cancel"});
  ASSERT_TRUE(later.start());
  EXPECT_EQ(later.ui->questions().size(), 1u);  // the file the user removed is asked about
  EXPECT_FALSE(std::filesystem::exists(later.colorFile()));
  EXPECT_TRUE(later.program.customColors.colors.empty());

  // A colour file of the user's own is left as it is.
  Start own;
  std::filesystem::create_directories(own.folder);
  const std::string mine = "%!PS-Adobe-3.0\r\n%%CMYKCustomColor: 0 1 1 0 (Mine)\r\n%%EndComments\r\n";
  WriteFile(own.colorFile(), mine);
  ASSERT_TRUE(own.start());
  EXPECT_EQ(ReadFile(own.colorFile()), mine);
  ASSERT_EQ(own.program.customColors.colors.size(), 1u);
  EXPECT_EQ(own.program.customColors.colors[0].name, "Mine");
  EXPECT_TRUE(own.ui->questions().empty());
}

}  // namespace
}  // namespace vl::app::test
