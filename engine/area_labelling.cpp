// The labelling of a colour conversion's connected areas in one pass over the rows, with the
// small areas merged once they are finished (and, past a budget, the smallest finished ones),
// so that the records held stay bounded whatever the image holds (a noisy photograph has an
// area for nearly every pixel).
//
// Labels in the map are slots. A slot is a root (its area's record) or points to a slot of the
// same area (a union-find forest); every slot in use labels at least one pixel in the map. An
// area that merges into another has its pixels relabelled with the other's root, which frees
// all its slots and its record for reuse.
#include <algorithm>
#include <limits>

#include "base/progress.h"
#include "engine/color_shapes.h"
#include "engine/region_records.h"

namespace vl::engine {

namespace {

constexpr std::int32_t kFreeSlot = std::numeric_limits<std::int32_t>::min();
// The largest area whose pixel places a merge keeps (12 bytes each) instead of scanning again.
constexpr std::int64_t kKeptPixels = 4096;

// After a label tile could not be written (abortRequested set) the map may read stale slots:
// nothing resolves a label from the map once the flag is up.
class AreaTable {
 public:
  AreaTable(RegionMap& map, std::int64_t minPixels, std::size_t maxRecords)
      : map_(map), minPixels_(minPixels), maxRecords_(maxRecords), nextBatch_(maxRecords / 4) {}

  std::int32_t find(std::int32_t s) {
    std::int32_t root = s;
    while (parent_[std::size_t(root)] >= 0) root = parent_[std::size_t(root)];
    while (parent_[std::size_t(s)] >= 0) {
      const std::int32_t next = parent_[std::size_t(s)];
      parent_[std::size_t(s)] = root;
      s = next;
    }
    return root;
  }
  std::int32_t recordOfRoot(std::int32_t root) const { return -parent_[std::size_t(root)] - 1; }
  Region& area(std::int32_t root) { return records_[std::size_t(recordOfRoot(root))]; }

  // A new area whose first pixel is (x, y); returns its root slot.
  std::int32_t open(std::int32_t x, std::int32_t y, std::uint8_t cls) {
    std::int32_t rec;
    if (!freeRecords_.empty()) {
      rec = freeRecords_.back();
      freeRecords_.pop_back();
    } else {
      rec = std::int32_t(records_.size());
      records_.emplace_back();
      rootSlot_.push_back(-1);
    }
    const std::int32_t slot = newSlot();
    Region& r = records_[std::size_t(rec)];
    r = Region{};
    r.cls = cls;
    r.left = r.right = std::int16_t(x);
    r.top = r.bottom = std::int16_t(y);
    rootSlot_[std::size_t(rec)] = slot;
    parent_[std::size_t(slot)] = -rec - 1;
    peak_ = std::max(peak_, ++live_);
    return slot;
  }

  // Two areas that meet become one (roots a and b).
  void unite(std::int32_t a, std::int32_t b) {
    const std::int32_t ra = recordOfRoot(a), rb = recordOfRoot(b);
    Absorb(records_[std::size_t(ra)], records_[std::size_t(rb)]);
    dropRecord(rb);
    parent_[std::size_t(b)] = a;
    ++pointing_;
  }

  // Merges the area of record `rec` into its closest neighbour, relabelling its pixels with
  // the neighbour's root. False when it has no neighbour.
  bool mergeAway(std::int32_t rec) {
    const std::int32_t root = rootSlot_[std::size_t(rec)];
    // The search meets every pixel of the area; a small one keeps their places for the
    // relabelling (a second scan of the box was over a third of the time on noise). A large
    // one is scanned again rather than held.
    const bool keep = records_[std::size_t(rec)].pixels <= kKeptPixels;
    own_.clear();
    const std::int32_t into = ClosestNeighbour(
        map_.label, map_.samplesPerPixel, root,
        [&](std::int32_t l) { return parent_[std::size_t(l)] == kFreeSlot ? -1 : find(l); },
        [&](std::int32_t r) -> const Region& { return area(r); },
        [&](std::int32_t x, std::int32_t y, std::int32_t l) {
          if (keep) own_.push_back({x, y, l});
        });
    if (into < 0) return false;
    const Region self = records_[std::size_t(rec)];
    Absorb(area(into), self);
    // Its slots are freed only after the whole area is relabelled: finding the root of a later
    // pixel may pass through them.
    slotsSeen_.clear();
    for (const OwnPixel& p : own_) {
      map_.label.set(p.x, p.y, into);
      slotsSeen_.push_back(p.label);
    }
    if (!keep)
      for (std::int32_t y = self.top; y <= self.bottom; ++y)
        for (std::int32_t x = self.left; x <= self.right; ++x) {
          const std::int32_t l = map_.label.at(x, y);
          if (l < 0 || find(l) != root) continue;
          map_.label.set(x, y, into);
          slotsSeen_.push_back(l);
        }
    for (const std::int32_t s : slotsSeen_) {
      if (parent_[std::size_t(s)] == kFreeSlot) continue;
      if (parent_[std::size_t(s)] >= 0) --pointing_;
      freeSlot(s);
    }
    dropRecord(rec);
    return true;
  }

  // After row `y` (whose labels are `row`): the small areas whose last row it was wait to
  // merge.
  void finishRow(std::int32_t y, const std::vector<std::int32_t>& row) {
    for (std::size_t x = 0; x < row.size(); ++x) {
      const std::int32_t l = row[x];
      if (l < 0 || (x > 0 && row[x - 1] == l)) continue;
      const std::int32_t rec = recordOfRoot(find(l));
      const Region& r = records_[std::size_t(rec)];
      if (r.bottom == y && r.pixels < minPixels_) waiting_.push_back(rec);
    }
  }

  // The small areas that finished well above row `y` (more than twice the minimum size of
  // rows: every small neighbour of theirs, and most of theirs, have finished too; all of them
  // when `y` is past the image) join their closest neighbour, the smallest first (the first on
  // ties), as a pass over the whole image would have merged them. They wait as long as the
  // budget allows, so that an ordinary picture merges them all at the end, exactly as that
  // pass. False when stopped.
  bool mergeWaiting(base::Runtime& rt, std::int32_t y, bool last) {
    if (!last && waiting_.size() < nextBatch_) return true;
    const std::int64_t settled = std::int64_t(y) - 2 * minPixels_;
    std::vector<std::pair<std::uint64_t, std::int32_t>> batch;
    std::size_t still = 0;
    for (const std::int32_t rec : waiting_) {
      if (rootSlot_[std::size_t(rec)] < 0) continue;
      const Region& r = records_[std::size_t(rec)];
      if (r.pixels >= minPixels_ || r.bottom >= y) continue;  // grew, or reused by a new area
      if (!last && r.bottom >= settled) {
        waiting_[still++] = rec;
        continue;
      }
      batch.push_back({std::uint64_t(r.pixels) << 32 | std::uint32_t(r.top) << 16 |
                           std::uint32_t(r.left),
                       rec});
    }
    waiting_.resize(still);
    // Those still waiting lie in the last rows; the next batch comes when as many again join.
    nextBatch_ = std::max(maxRecords_ / 4, 2 * still);
    std::sort(batch.begin(), batch.end());
    batch.erase(std::unique(batch.begin(), batch.end()), batch.end());
    std::size_t done = 0;
    for (const auto& [key, rec] : batch) {
      if (rt.state.abortRequested || ((++done & 1023) == 0 && base::PollAbort(rt))) return false;
      if (rootSlot_[std::size_t(rec)] >= 0 && records_[std::size_t(rec)].pixels < minPixels_)
        static_cast<void>(mergeAway(rec));
    }
    return true;
  }

  // Past the record budget, the smallest finished areas (those that end above row `y`) merge
  // early: the path limit would merge them anyway. A quarter of the budget is freed at once, so
  // that the sweeps stay rare. False when stopped.
  bool keepWithinBudget(base::Runtime& rt, std::int32_t y) {
    if (live_ <= maxRecords_) return true;
    const std::size_t goal = maxRecords_ - maxRecords_ / 4;
    std::vector<std::uint64_t> finished;  // pixels << 32 | record
    for (std::size_t rec = 0; rec < records_.size(); ++rec)
      if (rootSlot_[rec] >= 0 && records_[rec].bottom < y)
        finished.push_back(std::uint64_t(records_[rec].pixels) << 32 | rec);
    const std::size_t count = std::min(finished.size(), live_ - goal);
    std::nth_element(finished.begin(), finished.begin() + std::ptrdiff_t(count), finished.end());
    finished.resize(count);
    std::sort(finished.begin(), finished.end());
    std::size_t done = 0;
    for (const std::uint64_t entry : finished) {
      if (rt.state.abortRequested || ((++done & 1023) == 0 && base::PollAbort(rt))) return false;
      const auto rec = std::int32_t(entry & 0xFFFFFFFF);
      if (rootSlot_[std::size_t(rec)] >= 0) static_cast<void>(mergeAway(rec));
    }
    return true;
  }

  // More slots pointing to others than the budget allows: every label in rows 0 to y (and in
  // `row`, row y held in memory) becomes its root, and the slots that pointed are freed. Each
  // such pass frees at least the budget's worth. False when stopped.
  bool keepSlotsWithinBudget(base::Runtime& rt, std::int32_t y, std::vector<std::int32_t>& row) {
    if (pointing_ <= maxRecords_) return true;
    std::vector<std::int32_t> line(row.size());
    for (std::int32_t r = 0; r <= y; ++r) {
      if (base::PollAbort(rt)) return false;
      map_.label.readRow(r, line.data());
      if (rt.state.abortRequested) return false;
      bool changed = false;
      for (std::int32_t& l : line) {
        if (l < 0) continue;
        const std::int32_t root = find(l);
        changed |= root != l;
        l = root;
      }
      // A row already all roots (most, after the first pass) leaves its tiles clean, so that
      // they are not written back to the scratch file.
      if (changed) map_.label.writeRow(r, line.data());
    }
    for (std::int32_t& l : row)
      if (l >= 0) l = find(l);
    for (std::size_t s = 0; s < parent_.size(); ++s)
      if (parent_[s] >= 0) freeSlot(std::int32_t(s));
    pointing_ = 0;
    return true;
  }

  // Numbers the areas in the order of their first pixel in the map, relabels every pixel with
  // its area's number and moves the records there, in place.
  bool number(base::Runtime& rt) {
    std::vector<std::int32_t> numberOf(records_.size(), -1);
    std::int32_t next = 0;
    std::vector<std::int32_t> line(std::size_t(std::max(map_.width, 0)));
    for (std::int32_t y = 0; y < map_.height; ++y) {
      if (base::PollAbort(rt)) return false;
      map_.label.readRow(y, line.data());
      if (rt.state.abortRequested) return false;
      for (std::int32_t& l : line) {
        if (l < 0) continue;
        std::int32_t& n = numberOf[std::size_t(recordOfRoot(find(l)))];
        if (n < 0) n = next++;
        l = n;
      }
      map_.label.writeRow(y, line.data());
    }
    std::vector<std::int32_t>().swap(parent_);
    const auto kept = std::size_t(next);
    for (std::int32_t& n : numberOf)
      if (n < 0) n = next++;
    for (std::size_t i = 0; i < numberOf.size(); ++i)
      while (numberOf[i] != std::int32_t(i)) {
        const auto to = std::size_t(numberOf[i]);
        std::swap(records_[i], records_[to]);
        std::swap(numberOf[i], numberOf[to]);
      }
    records_.resize(kept);
    map_.regions = std::move(records_);
    return true;
  }

  std::size_t peak() const { return peak_; }

 private:
  std::int32_t newSlot() {
    if (!freeSlots_.empty()) {
      const std::int32_t s = freeSlots_.back();
      freeSlots_.pop_back();
      return s;
    }
    parent_.push_back(kFreeSlot);
    return std::int32_t(parent_.size() - 1);
  }
  void freeSlot(std::int32_t s) {
    parent_[std::size_t(s)] = kFreeSlot;
    freeSlots_.push_back(s);
  }
  void dropRecord(std::int32_t rec) {
    rootSlot_[std::size_t(rec)] = -1;
    records_[std::size_t(rec)].pixels = 0;
    freeRecords_.push_back(rec);
    --live_;
  }

  RegionMap& map_;
  const std::int64_t minPixels_;
  const std::size_t maxRecords_;
  std::vector<std::int32_t> parent_;    // slot -> parent slot, -(record + 1) at a root
  std::vector<Region> records_;         // an area's pixels, sums and box; pixels 0 when free
  std::vector<std::int32_t> rootSlot_;  // record -> its root slot, -1 when free
  std::vector<std::int32_t> freeSlots_, freeRecords_, slotsSeen_;
  struct OwnPixel {
    std::int32_t x, y, label;
  };
  std::vector<OwnPixel> own_;  // the pixels of the area being merged away
  std::vector<std::int32_t> waiting_;  // records of small finished areas (may repeat)
  std::size_t nextBatch_;              // waiting entries that start the next batch
  std::size_t live_ = 0, peak_ = 0;
  std::size_t pointing_ = 0;  // slots in use that are not roots
};

}  // namespace

std::size_t AreaRecordBudget(const LabelPaging& paging, std::int32_t width,
                             std::size_t maxRegions) {
  // Room for the areas open in two rows and many times the regions the path limit leaves.
  return std::max(paging.areaBytes / kAreaRecordBytes,
                  4 * (std::size_t(std::max(width, 0)) + maxRegions));
}

StageResult LabelAndMergeByRows(base::Runtime& rt, std::int32_t width, std::int32_t height,
                                int samplesPerPixel, const LabelRowSource& rows,
                                const RegionOptions& options, RegionMap& map,
                                const LabelPaging& paging) {
  map = RegionMap{};
  map.width = width;
  map.height = height;
  map.samplesPerPixel = samplesPerPixel;
  const auto w = std::size_t(std::max(width, 0));
  if (!map.label.reset(rt, width, height, paging)) return StageResult::kNoMemory;
  auto sized = [&](LabelRow& r) {
    r.cls.assign(w, 0);
    r.shade.assign(w, 0);
    r.excluded.assign(w, 0);
    r.samples.assign(w * std::size_t(samplesPerPixel), 0);
  };
  LabelRow row, above;
  sized(row);
  sized(above);
  std::vector<std::int32_t> label(w, -1), up(w, -1);
  const std::size_t maxRecords =
      options.maxAreaRecords > 0 ? options.maxAreaRecords : std::numeric_limits<std::size_t>::max();
  AreaTable areas(map, options.minRegionPixels, maxRecords);
  const std::size_t spp = std::size_t(samplesPerPixel);

  // Each pixel joins its left and upper neighbours of the same class and shade; areas that
  // meet become one.
  for (std::int32_t y = 0; y < height; ++y) {
    if (base::PollAbort(rt)) return StageResult::kStopped;
    if (!rows(y, row)) return StageResult::kStopped;
    for (std::size_t x = 0; x < w; ++x) {
      label[x] = -1;
      if (row.excluded[x]) continue;
      std::int32_t l = -1, u = -1;
      if (x > 0 && label[x - 1] >= 0 && row.cls[x - 1] == row.cls[x] &&
          row.shade[x - 1] == row.shade[x])
        l = label[x - 1];
      if (y > 0 && up[x] >= 0 && above.cls[x] == row.cls[x] && above.shade[x] == row.shade[x])
        u = up[x];
      std::int32_t root;
      if (l >= 0 && u >= 0) {
        root = areas.find(l);
        const std::int32_t other = areas.find(u);
        if (root != other) areas.unite(root, other);
        label[x] = l;
      } else if (l >= 0 || u >= 0) {
        label[x] = std::max(l, u);
        root = areas.find(label[x]);
      } else {
        label[x] = root = areas.open(std::int32_t(x), y, row.cls[x]);
      }
      Region& r = areas.area(root);
      ++r.pixels;
      for (std::size_t c = 0; c < spp; ++c) r.sum.add(int(c), row.samples[x * spp + c]);
      r.left = std::min(r.left, std::int16_t(x));
      r.right = std::max(r.right, std::int16_t(x));
      r.bottom = std::int16_t(y);
    }
    map.label.writeRow(y, label.data());
    if (y > 0) areas.finishRow(y - 1, up);
    std::swap(row, above);
    std::swap(label, up);
    if (!areas.mergeWaiting(rt, y, false) || !areas.keepWithinBudget(rt, y) ||
        !areas.keepSlotsWithinBudget(rt, y, up))
      return StageResult::kStopped;
  }
  if (height > 0) areas.finishRow(height - 1, up);
  if (!areas.mergeWaiting(rt, height, true) || !areas.keepWithinBudget(rt, height))
    return StageResult::kStopped;
  map.peakAreaRecords = areas.peak();
  // A label tile lost to a failed scratch write leaves the map unusable.
  if (!areas.number(rt) || base::PollAbort(rt)) return StageResult::kStopped;
  for (Region& r : map.regions) r.color = MeanColor(r, samplesPerPixel);
  return StageResult::kDone;
}

StageResult LabelRegionsByRows(base::Runtime& rt, std::int32_t width, std::int32_t height,
                               int samplesPerPixel, const LabelRowSource& rows, RegionMap& map,
                               const LabelPaging& paging) {
  RegionOptions every;
  every.minRegionPixels = 1;
  return LabelAndMergeByRows(rt, width, height, samplesPerPixel, rows, every, map, paging);
}

StageResult LabelRegions(base::Runtime& rt, std::int32_t width, std::int32_t height,
                         int samplesPerPixel, const std::vector<std::uint8_t>& classes,
                         const std::vector<std::uint8_t>& samples,
                         const std::vector<bool>& excluded, RegionMap& map,
                         const std::vector<std::uint16_t>& shades, const LabelPaging& paging) {
  const auto w = std::size_t(width), spp = std::size_t(samplesPerPixel);
  const LabelRowSource rows = [&](std::int32_t y, LabelRow& row) {
    const std::size_t at = std::size_t(y) * w;
    for (std::size_t x = 0; x < w; ++x) {
      row.cls[x] = classes[at + x];
      row.shade[x] = shades.empty() ? 0 : shades[at + x];
      row.excluded[x] = !excluded.empty() && excluded[at + x];
    }
    std::copy_n(samples.begin() + std::ptrdiff_t(at * spp), w * spp, row.samples.begin());
    return true;
  };
  return LabelRegionsByRows(rt, width, height, samplesPerPixel, rows, map, paging);
}

}  // namespace vl::engine
