// The thinned image against a second oracle: skimage's skeletonize (Debian's python3-skimage)
// run on the same drawing. The two thinnings differ in detail (which of two middle pixels an
// even stroke keeps, how far ends wear, the shape of a crossing), so each skeleton pixel away
// from the strokes' ends must lie within a pixel and a half of the other skeleton.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/thinning.h"
#include "tests/engine/centerline/centerline_rig.h"

namespace vl::engine::test {
namespace {

using Bitmap = std::vector<std::vector<std::uint8_t>>;  // [y][x], 1 = ink

void WritePbm(const std::string& path, const Bitmap& b) {
  std::ofstream out(path);
  out << "P1\n" << b[0].size() << " " << b.size() << "\n";
  for (const auto& row : b) {
    for (std::uint8_t v : row) out << int(v) << ' ';
    out << '\n';
  }
}

Bitmap ReadPbm(const std::string& path) {
  std::ifstream in(path);
  std::string magic;
  int w = 0, h = 0;
  in >> magic >> w >> h;
  Bitmap b(static_cast<std::size_t>(h), std::vector<std::uint8_t>(static_cast<std::size_t>(w)));
  for (auto& row : b)
    for (auto& v : row) {
      int x = 0;
      in >> x;
      v = std::uint8_t(x);
    }
  return b;
}

// Pixels of `a` (outside `skip`) farther than `reach` from every pixel of `b`.
long Strays(const Bitmap& a, const Bitmap& b, double reach, const std::function<bool(int, int)>& skip) {
  long n = 0;
  const int r = int(std::ceil(reach));
  for (int y = 0; y < int(a.size()); ++y)
    for (int x = 0; x < int(a[0].size()); ++x) {
      if (!a[y][x] || skip(x, y)) continue;
      bool near = false;
      for (int dy = -r; dy <= r && !near; ++dy)
        for (int dx = -r; dx <= r && !near; ++dx) {
          const int u = x + dx, v = y + dy;
          near = v >= 0 && u >= 0 && v < int(b.size()) && u < int(b[0].size()) && b[v][u] &&
                 std::hypot(dx, dy) <= reach;
        }
      n += !near;
    }
  return n;
}

TEST(SkeletonOracle, ThinningAgreesWithSkimageAwayFromTheEnds) {
  const std::vector<Drawing> drawings = {
      {200, 140, {Line(20, 30.5, 180, 30.5, 7), Line(100, 30, 100, 120, 6)}},
      {220, 220, {Line(20, 20, 200, 200, 5), Line(200, 20, 20, 200, 5)}},
      {240, 240, {Arc(120, 120, 80, 200, 340, 9), Line(30, 200, 210, 150, 4)}},
  };
  for (std::size_t i = 0; i < drawings.size(); ++i) {
    const Drawing& d = drawings[i];
    SCOPED_TRACE("drawing " + std::to_string(i));
    TestRuntime env;
    Bitmap input(std::size_t(d.height), std::vector<std::uint8_t>(std::size_t(d.width)));
    image::RasterImage img;
    ASSERT_TRUE(image::setGeometry(img, d.width, d.height));
    ASSERT_TRUE(image::allocateBitLayer(img, env.memory));
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x)
        if (d.ink(x, y)) {
          input[y][x] = 1;
          SetBitAt(image::BitRow(img, y), x);
        }
    FillOneHoles(img);
    ThinningState state;
    state.steps = 6;
    state.band = {0, d.height - 1};
    ASSERT_FALSE(RunThinning(env.rt, img, state, true));
    Bitmap ours(input.size(), std::vector<std::uint8_t>(input[0].size()));
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x) ours[y][x] = std::uint8_t(BitAt(image::BitRow(img, y), x));
    image::releaseImage(img, env.rt);

    const std::string in = env.root + "/in.pbm", out = env.root + "/skeleton.pbm";
    WritePbm(in, input);
    const std::string script =
        "import sys, numpy as np\n"
        "from skimage.morphology import skeletonize\n"
        "t = open(sys.argv[1]).read().split()\n"
        "w, h = int(t[1]), int(t[2])\n"
        "a = np.array([int(v) for v in t[3:3 + w * h]], dtype=bool).reshape(h, w)\n"
        "s = skeletonize(a)\n"
        "open(sys.argv[2], 'w').write('P1\\n%d %d\\n' % (w, h) + '\\n'.join(' '.join('1' if v else '0' for v in r) for r in s) + '\\n')\n";
    std::ofstream(env.root + "/oracle.py") << script;
    ASSERT_EQ(std::system(("/usr/bin/python3 " + env.root + "/oracle.py " + in + " " + out).c_str()), 0)
        << "python3-skimage is needed for this test";
    const Bitmap theirs = ReadPbm(out);

    // Thinning wears open ends by up to two pixels a step; the oracle keeps them.
    auto nearEnd = [&](int x, int y) {
      for (const Stroke& s : d.strokes)
        for (PagePoint e : {s.front(), s.back()})
          if (Distance({x + 0.5, y + 0.5}, e) < 2 * state.steps + s.width) return true;
      return false;
    };
    long ourCount = 0;
    for (const auto& row : ours) ourCount += std::count(row.begin(), row.end(), 1);
    EXPECT_GT(ourCount, 100);
    EXPECT_EQ(Strays(ours, theirs, 1.5, nearEnd), 0);
    EXPECT_EQ(Strays(theirs, ours, 1.5, nearEnd), 0);
  }
}

}  // namespace
}  // namespace vl::engine::test
