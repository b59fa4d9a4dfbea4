// A real DXF reader as the oracle: the system Python's ezdxf reads and audits the file, and
// the polylines it finds must be the art's paths, vertex for vertex, in inches.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "art/anchor_walk.h"
#include "tests/art/dxf/dxf_test_env.h"

namespace vl::art::test {
namespace {

// Prints the audit's findings, then one line per polyline and per vertex.
constexpr const char* kReadScript = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
for problem in auditor.errors + auditor.fixes:
    print("problem", problem.message)
for e in doc.modelspace():
    print(e.dxftype(), e.dxf.layer, e.dxf.get("default_start_width", -1),
          e.dxf.get("default_end_width", -1))
    for v in e.vertices if e.dxftype() == "POLYLINE" else []:
        print("vertex", v.dxf.layer, v.dxf.location.x, v.dxf.location.y)
)";

// The anchors of a path in inches, with the flattening points of its curves between them.
std::vector<std::pair<double, double>> ExpectedVertices(const PathRecord& path,
                                                        const ArtImageInfo& image) {
  std::span<const std::uint16_t> words = pointWords(path);
  std::vector<std::pair<double, double>> out;
  auto put = [&](std::int32_t x, std::int32_t y) {
    out.emplace_back(x / image.artScale / image.xResolution,
                     (image.height - y / image.artScale) / image.yResolution);
  };
  auto at = [&](std::size_t i) {
    return ArtPoint{words[i] & kCoordinateMask, words[i + 1] & kCoordinateMask};
  };
  put(at(0).x, at(0).y);
  for (std::size_t i = 0, next; detail::HasAnchorAt(words, next = detail::NextAnchor(words, i));
       i = next) {
    if (words[i] & kCurveBit) {
      FlattenedCurve f = FlattenDxfCurve(at(i), at(i + 2), at(i + 4), at(next));
      for (int k = 0; k < f.count; ++k) put(f.points[k].x, f.points[k].y);
    }
    put(at(next).x, at(next).y);
  }
  return out;
}

TEST(DxfEzdxf, EzdxfReadsTheFileAndFindsTheArtInInches) {
  if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "ezdxf is not installed for /usr/bin/python3 (Debian package python3-ezdxf)";
  for (double resolution : {72.0, 300.0}) {
    DxfEnv env;
    env.image.xResolution = resolution;
    env.image.yResolution = resolution * 2;  // unequal, so that a swapped axis shows
    env.paint(PaintType::Black, PaintType::None);
    env.linePath({{10, 10}, {150, 10}, {150, 60}, {10, 60}, {10, 10}});
    env.paint(PaintType::White, PaintType::None, kWhiteColor);
    env.begin({30, 35});  // a loop of four curves
    env.curveTo({30, 21}, {41, 15}, {55, 15});
    env.curveTo({69, 15}, {80, 21}, {80, 35});
    env.curveTo({80, 49}, {69, 55}, {55, 55});
    env.curveTo({41, 55}, {30, 49}, {30, 35});
    env.paint(PaintType::None, PaintType::Black, kBlackColor, 2.5);
    env.begin({100, 20});
    env.lineTo({140, 20});
    env.curveTo({141, 30}, {139, 40}, {120.3, 50.7});
    env.strokeOnly();
    env.write();

    const std::string script = env.folder.path + "read.py", output = env.folder.path + "ezdxf.txt";
    std::ofstream(script) << kReadScript;
    const std::string command = "/usr/bin/python3 '" + script + "' '" + env.folder.path +
                                "direct.dxf' > '" + output + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadWholeFile(output);
    std::istringstream in(ReadWholeFile(output));
    std::vector<std::string> layers;
    std::vector<double> widths;
    std::vector<std::vector<std::pair<double, double>>> vertices;
    for (std::string kind, layer; in >> kind >> layer;) {
      EXPECT_NE(kind, "problem") << layer << " " << in.rdbuf();
      ASSERT_TRUE(kind == "POLYLINE" || kind == "vertex") << kind;
      double a = 0, b = 0;
      in >> a >> b;
      if (kind == "POLYLINE") {
        layers.push_back(layer);
        widths.push_back(a);
        vertices.emplace_back();
      } else {
        EXPECT_EQ(layer, layers.back());
        vertices.back().emplace_back(a, b);
      }
    }
    EXPECT_EQ(layers, (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(widths, (std::vector<double>{-1, -1, 0.034}));  // 2.5 points is .0347 inch
    ASSERT_EQ(vertices.size(), 3u);
    for (int p = 0; p < 3; ++p) {
      auto expected = ExpectedVertices(env.art.paths[p], env.image);
      ASSERT_EQ(vertices[p].size(), expected.size()) << "path " << p;
      for (std::size_t v = 0; v < expected.size(); ++v) {  // truncated to thousandths
        EXPECT_NEAR(vertices[p][v].first, expected[v].first - 0.0005, 0.000501) << p << "/" << v;
        EXPECT_NEAR(vertices[p][v].second, expected[v].second - 0.0005, 0.000501) << p << "/" << v;
      }
    }
  }
}

}  // namespace
}  // namespace vl::art::test
