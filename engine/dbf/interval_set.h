#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace lumi::dbf {

// A set of byte ranges [begin, end), kept merged. Used to remember which
// ranges of a file already have their before-image saved.
//
// The first few ranges are held in place (a savepoint per changed record
// holds one or two), more in a map.
class IntervalSet {
 public:
  // The parts of [begin, end) not yet in the set, in order.
  std::vector<std::pair<uint64_t, uint64_t>> Uncovered(uint64_t begin, uint64_t end) const {
    std::vector<std::pair<uint64_t, uint64_t>> out;
    if (begin >= end) return out;
    if (ranges_.empty()) {
      Walk(small_.begin(), small_.begin() + static_cast<std::ptrdiff_t>(count_), begin, end, &out);
      return out;
    }
    auto it = ranges_.upper_bound(begin);
    if (it != ranges_.begin()) --it;
    Walk(it, ranges_.end(), begin, end, &out);
    return out;
  }

  bool Covers(uint64_t begin, uint64_t end) const {
    if (begin >= end) return true;
    // Ranges are merged: a covered span lies inside one of them.
    if (ranges_.empty()) {
      for (size_t i = 0; i < count_; ++i)
        if (small_[i].first <= begin && small_[i].second >= end) return true;
      return false;
    }
    auto it = ranges_.upper_bound(begin);
    if (it == ranges_.begin()) return false;
    --it;
    return it->second >= end;
  }

  void Add(uint64_t begin, uint64_t end) {
    if (begin >= end) return;
    if (ranges_.empty()) {
      // Ranges that overlap or touch [begin, end] merge into it.
      std::array<std::pair<uint64_t, uint64_t>, kSmall + 1> next;
      size_t n = 0;
      bool placed = false;
      for (size_t i = 0; i < count_; ++i) {
        auto r = small_[i];
        if (r.second < begin) {
          next[n++] = r;
        } else if (r.first > end) {
          if (!placed) next[n++] = {begin, end};
          placed = true;
          next[n++] = r;
        } else {
          if (r.first < begin) begin = r.first;
          if (r.second > end) end = r.second;
        }
      }
      if (!placed) next[n++] = {begin, end};
      if (n <= kSmall) {
        for (size_t i = 0; i < n; ++i) small_[i] = next[i];
        count_ = n;
        return;
      }
      for (size_t i = 0; i < n; ++i) ranges_.emplace(next[i]);
      count_ = 0;
      return;
    }
    auto it = ranges_.upper_bound(begin);
    if (it != ranges_.begin()) {
      auto p = std::prev(it);
      if (p->second >= begin) {
        begin = p->first;
        if (p->second > end) end = p->second;
        it = ranges_.erase(p);
      }
    }
    while (it != ranges_.end() && it->first <= end) {
      if (it->second > end) end = it->second;
      it = ranges_.erase(it);
    }
    ranges_.emplace(begin, end);
  }

  void Clear() {
    ranges_.clear();
    count_ = 0;
  }

 private:
  static constexpr size_t kSmall = 4;

  // Appends the gaps of [begin, end) between the sorted ranges from `it` on.
  template <class It>
  static void Walk(It it, It last, uint64_t begin, uint64_t end,
                   std::vector<std::pair<uint64_t, uint64_t>>* out) {
    for (; it != last && begin < end; ++it) {
      uint64_t first = it->first, second = it->second;
      if (second <= begin) continue;
      if (first >= end) break;
      if (first > begin) out->emplace_back(begin, first);
      begin = second;
    }
    if (begin < end) out->emplace_back(begin, end);
  }

  std::array<std::pair<uint64_t, uint64_t>, kSmall> small_{};
  size_t count_ = 0;                     // ranges held in small_ (while ranges_ is empty)
  std::map<uint64_t, uint64_t> ranges_;  // begin -> end, once there are more than kSmall
};

}  // namespace lumi::dbf
