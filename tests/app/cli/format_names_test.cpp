// The command line's art format and preview names come from one table each: every format name
// parses, names its file and reads back from that name, and the help and the usage messages
// list exactly the tables' names, in the tables' order.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/art_format_names.h"
#include "app/cli_options.h"

namespace vl::app::test {
namespace {

using Names = std::vector<std::string>;

constexpr std::size_t kHelpMargin = 94;  // the longest line of the help's prose

auto Fields(const ArtFormat& f) { return std::tuple(f.format, f.preview, f.svg, f.pdf); }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

CommandLine Parse(Names extra) {
  extra.insert(extra.begin(), {"convert", "in/scan.tif"});
  return ParseCommandLine(extra);
}

// The text with each run of white space (a line break and its indentation) read as one space.
std::string Flat(std::string_view text) {
  std::string flat;
  for (char c : text) {
    const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
    if (!space) flat += c;
    else if (flat.empty() || flat.back() != ' ') flat += ' ';
  }
  return flat;
}

// The names a list in running text gives, notes in parentheses dropped:
// "a (x y),\n    b or c" -> {a, b, c}.
Names ListedNames(std::string_view text) {
  std::string flat = Flat(text);
  for (std::size_t open; (open = flat.find(" (")) != std::string::npos;) {
    const std::size_t close = flat.find(')', open);
    flat.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
  }
  for (std::size_t at; (at = flat.find(" or ")) != std::string::npos;) flat.replace(at, 4, ", ");
  Names names;
  for (std::size_t start = 0;;) {
    const std::size_t comma = flat.find(", ", start);
    names.push_back(flat.substr(start, comma - start));
    if (comma == std::string::npos) return names;
    start = comma + 2;
  }
}

// The text between `before` and `after` in `text`; empty when either is missing.
std::string Between(const std::string& text, std::string_view before, std::string_view after) {
  const std::size_t start = text.find(before);
  if (start == std::string::npos) return {};
  const std::size_t end = text.find(after, start + before.size());
  if (end == std::string::npos) return {};
  return text.substr(start + before.size(), end - start - before.size());
}

std::string Join(std::string_view name, std::string_view note) {
  return std::string(name) + " (" + std::string(note) + ")";
}

template <typename Rows, typename Field>
Names TableColumn(const Rows& rows, Field field) {
  Names names;
  for (const auto& row : rows)
    if (!(row.*field).empty()) names.emplace_back(row.*field);
  return names;
}

TEST(CliFormatNames, EveryFormatNameRoundTripsThroughItsFileName) {
  // What the names mean: the extensions' formats differ, and so do the generations' codes.
  std::set<std::tuple<int, int, bool, bool>> fileKinds;
  std::set<int> generations;
  for (const ArtFormatName& row : kArtFormatNames) {
    SCOPED_TRACE(std::string(row.name));
    // name -> format, and the file the format is written to without -o.
    const CommandLine line = Parse({"--format", std::string(row.name)});
    ASSERT_EQ(line.action, CommandLine::Action::kConvert) << line.error;
    const ArtFormat named = line.request.format;
    // format -> extension -> format, the extension read in any case.
    const std::string extension(ExtensionForFormat(named));
    EXPECT_EQ(line.request.output, "in/scan" + extension);
    ArtFormat read;
    ASSERT_TRUE(ArtFormatForName(Upper("in/scan" + extension), read)) << extension;
    EXPECT_EQ(ExtensionForFormat(read), extension);
    if (!row.extension.empty()) {
      EXPECT_EQ(extension, row.extension);
      EXPECT_TRUE(fileKinds.insert(Fields(named)).second) << "two extensions for one format";
      EXPECT_EQ(Fields(read), Fields(named));
      // The extension alone, as -o gives it, means what the name means.
      const CommandLine byName = Parse({"-o", "out" + std::string(row.extension)});
      EXPECT_EQ(Fields(byName.request.format), Fields(named)) << byName.error;
    } else {
      // A GQ generation has no extension of its own: it keeps its format code whatever the
      // output's name, which chooses only its preview, and that survives the round trip.
      EXPECT_EQ(row.preview, PreviewRule::kOpen);
      EXPECT_TRUE(generations.insert(named.format).second) << "two names for one generation";
      EXPECT_EQ(read.preview, named.preview);
      for (const ArtFormatName& file : kArtFormatNames) {
        if (file.preview != PreviewRule::kHeader && file.preview != PreviewRule::kNone) continue;
        const CommandLine given = Parse({"-o", Upper("out" + std::string(file.extension)),
                                         "--format", std::string(row.name)});
        ASSERT_EQ(given.action, CommandLine::Action::kConvert) << given.error;
        EXPECT_EQ(given.request.format.format, named.format) << file.extension;
        EXPECT_EQ(ExtensionForFormat(given.request.format), file.extension);
      }
    }
  }
}

TEST(CliFormatNames, EveryPreviewKindParsesToItsOwnCode) {
  std::set<int> codes;
  for (const PreviewKindName& row : kPreviewKindNames) {
    SCOPED_TRACE(std::string(row.name));
    const CommandLine line = Parse({"--preview", std::string(row.name)});
    ASSERT_EQ(line.action, CommandLine::Action::kConvert) << line.error;
    EXPECT_EQ(line.request.format.preview, row.preview);
    EXPECT_TRUE(codes.insert(row.preview).second) << "two names for one preview";
    // Without a preview the art is a plain GQ file, with any preview an EPS file.
    const PreviewRule file = row.preview == art::kPreviewNone ? PreviewRule::kNone
                                                              : PreviewRule::kHeader;
    EXPECT_EQ(line.request.output, "in/scan" + std::string(ExtensionForRule(file)));
  }
}

// The help's lists and the messages' lists name exactly the tables' rows, in order; each
// row's note is in the help.
TEST(CliFormatNames, HelpAndMessagesListExactlyTheTables) {
  const Names formats = TableColumn(kArtFormatNames, &ArtFormatName::name);
  const Names extensions = TableColumn(kArtFormatNames, &ArtFormatName::extension);
  const Names kinds = TableColumn(kPreviewKindNames, &PreviewKindName::name);
  const std::string help = HelpText();
  struct Case {
    std::string text;
    Names expected;
  } const cases[] = {
      {Between(help, "its extension chooses the format: ", "\n      --format"), extensions},
      {Between(help, "the format, whatever the name: ", "\n      --preview"), formats},
      {Between(help, "the preview of GQ and EPS output: ", "\n\n"), kinds},
      {Between(Parse({"--format", "ai"}).error, "--format expects ", ", not \"ai\""), formats},
      {Between(Parse({"-o", "a.ai"}).error, "name it ", ", or give --format"), extensions},
      {Between(Parse({"--preview", "sepia"}).error, "--preview expects ", ", not \"sepia\""),
       kinds},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ListedNames(c.text), c.expected);
  }
  // A note follows the name it explains: a format's its extension, if it has one.
  const std::string flatHelp = Flat(help);
  for (const ArtFormatName& row : kArtFormatNames) {
    const std::string_view listed = row.extension.empty() ? row.name : row.extension;
    if (!row.note.empty()) {
      EXPECT_NE(flatHelp.find(Flat(Join(listed, row.note))), std::string::npos) << row.note;
    }
  }
  for (const PreviewKindName& row : kPreviewKindNames) {
    if (!row.note.empty()) {
      EXPECT_NE(flatHelp.find(Flat(Join(row.name, row.note))), std::string::npos) << row.note;
    }
  }
  // The filled lists keep to the margin of the help's other lines.
  for (std::size_t start = 0, end; (end = help.find('\n', start)) != std::string::npos;
       start = end + 1)
    EXPECT_LE(end - start, kHelpMargin) << help.substr(start, end - start);
}

}  // namespace
}  // namespace vl::app::test
