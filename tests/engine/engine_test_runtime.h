// Shared rigs for the engine tests: a base::Runtime over a headless UI that can stop a run, in a
// fresh scratch folder removed at the end; ink predicates; and a Tracer over a small image
// with its own work area, fed chain records and vertex lists and read back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <stdlib.h>

#include "base/application_state.h"
#include "base/message_table.h"
#include "engine/bit_plane.h"
#include "engine/edge_extraction.h"
#include "engine/outline_assembly.h"
#include "engine/tracer.h"
#include "engine/vertex_record.h"
#include "platform/headless_ui.h"
#include "tests/base/base_test_runtime.h"

namespace vl::engine::test {

using base::test::BlockedFolder;
using base::test::Shown;

// On a clock moving stepMs per reading every abort poll looks at the events; the user presses
// Stop at look stopAtDrain (0: never). Notes the scratch files in `watched` at each look.
struct TestUi : platform::HeadlessUi {
  TestUi() : HeadlessUi(nullptr) {}
  std::uint32_t tickCount() override {
    advanceClock(stepMs);
    return HeadlessUi::tickCount();
  }
  bool drainEvents() override {
    for (const char* name : {"memtemp", "dgtemp", "edgearr", "seglist", "linarr"})
      if (!watched.empty() && platform::FileExists(watched + name)) seenFiles.insert(name);
    return HeadlessUi::drainEvents() || (stopAtDrain > 0 && drains() >= stopAtDrain);
  }
  std::uint32_t stepMs = 0;
  int stopAtDrain = 0;
  std::string watched;
  std::set<std::string> seenFiles;
};

struct TestRuntime {
  TestUi ui;
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState app;
  std::string root = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-engine-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }();
  std::string scratchFolder = root + "/";
  base::Runtime rt{ui, memory, state, app, scratchFolder};

  ~TestRuntime() {
    base::ScratchHandles& s = state.scratch;
    for (platform::FileHandle* h : {&s.dgtemp, &s.edgearr, &s.seglist, &s.linarr, &s.dgskel})
      platform::CloseFile(*h);
    std::filesystem::remove_all(root);
  }
  bool scratchExists(const char* name) const { return platform::FileExists(scratchFolder + name); }
  const std::vector<std::string>& messages() const { return ui.messages(); }
};

using Ink = std::function<bool(int, int)>;  // pixels
inline Ink Disc(double cx, double cy, double r) {
  return [=](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
inline Ink Box(int left, int top, int right, int bottom) {  // inclusive
  return [=](int x, int y) { return x >= left && x <= right && y >= top && y <= bottom; };
}

// A chain record: start point (pixels) and direction codes; the end byte is added on loading.
struct Chain {
  std::int16_t x = 0, y = 0;
  std::vector<std::uint8_t> codes;
  bool operator==(const Chain&) const = default;
};

// The chain of a solid w x h rectangle followed clockwise from its top-left pixel (x, y).
inline Chain Rectangle(int x, int y, int w, int h) {
  Chain c{std::int16_t(x), std::int16_t(y), {}};
  for (auto [code, n] : {std::pair{5, w - 1}, {7, h - 1}, {1, w - 1}, {3, h - 1}})
    c.codes.insert(c.codes.end(), std::size_t(n), std::uint8_t(code));
  return c;
}

struct Vertex {
  std::int32_t x = 0, y = 0;     // pixels
  std::int64_t chainOffset = 0;  // bytes
  std::int32_t angle = 0;        // degrees
};

// A Tracer over an empty image with bit, backup and spare layers, a work area of budgetBytes
// (0: all it may have; 256: windows of a few units that spill) and a fresh artwork at 16 art
// units per pixel.
struct TracerRig {
  static constexpr double kArtScale = 16.0;
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings settings;
  std::unique_ptr<Tracer> tracer;

  void build(std::int32_t widthPixels, std::int32_t heightRows, std::size_t budgetBytes = 0) {
    ASSERT_TRUE(image::setGeometry(image, widthPixels, heightRows));
    ASSERT_TRUE(image::allocateBitLayer(image, env.memory));
    ASSERT_TRUE(image::allocateBackupLayer(image, env.memory));
    ASSERT_TRUE(image::allocateSpareLayer(image, env.memory));
    tracer = std::make_unique<Tracer>(env.rt, image, art, settings,
                                      settings::ComputeConversionConstants(settings, 300, 300));
    const auto rowBytes = std::size_t(image.bitRowBytes);
    if (budgetBytes == 0) budgetBytes = WorkAreaBudget(env.rt, rowBytes);
    ASSERT_TRUE(AllocateWorkArea(env.rt, rowBytes, budgetBytes, tracer->area));
    tracer->attachWindows();
    ASSERT_TRUE(art::initArtwork(art, env.rt));
    art.pen.artScale = kArtScale;
  }
  Tracer& t() { return *tracer; }

  // Ink where `ink` holds, in the bit layer and its backup.
  void draw(const Ink& ink) {
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x)
        if (ink(x, y)) {
          SetBitAt(image::BitRow(image, y), x);
          SetBitAt(image::LayerRow(image.backupLayer, image, y), x);
        }
  }

  // Writes the record through the chain buffer, as edge extraction leaves it.
  void load(const Chain& c) {
    ASSERT_TRUE(tracer->chain->startRecord(c.x, c.y));
    for (std::uint8_t code : c.codes) ASSERT_TRUE(tracer->chain->append(code));
    ASSERT_TRUE(tracer->chain->append(kChainEnd) && tracer->chain->finishRecord());
    tracer->startX = c.x;
    tracer->startY = c.y;
    tracer->codeCount = std::int64_t(c.codes.size());
  }

  // The record in the chain buffer up to its first end byte.
  Chain record() {
    Chain c{tracer->chain->startX(), tracer->chain->startY(), {}};
    for (std::int64_t at = 4; !(tracer->chain->byteAt(at) & 0x80); ++at)
      c.codes.push_back(tracer->chain->byteAt(at));
    return c;
  }

  // Writes a vertex list by hand and its end (x = -1 after it).
  void writeVertices(const std::vector<Vertex>& list) {
    VertexWindow& v = *tracer->vertices;
    using namespace vertex_record;
    for (std::size_t i = 0; i <= list.size(); ++i) {
      v.setCursor(std::int64_t(i) * kRecordBytes);
      const Vertex r = i < list.size() ? list[i] : Vertex{-1};
      SetVertexWord(v, std::int16_t(r.x), kWordX);
      SetVertexWord(v, std::int16_t(r.y), kWordY);
      SetVertexWord(v, std::int16_t(r.angle), kWordAngle);
      SetChainOffset(v, r.chainOffset);
    }
    tracer->listEndBytes = std::int64_t(list.size()) * kRecordBytes;
    v.setCursor(0);
  }

  // The vertex list up to its end, checking the x = -1 after it.
  std::vector<Vertex> vertices() {
    std::vector<Vertex> out;
    VertexWindow& v = *tracer->vertices;
    using namespace vertex_record;
    for (std::int64_t at = 0; at < tracer->listEndBytes; at += kRecordBytes) {
      v.setCursor(at);
      out.push_back({VertexWord(v, kWordX), VertexWord(v, kWordY), ChainOffsetAt(v, 0),
                     VertexWord(v, kWordAngle)});
    }
    v.setCursor(tracer->listEndBytes);
    EXPECT_EQ(VertexWord(v, 0), -1) << "no list end";
    return out;
  }
};

}  // namespace vl::engine::test
