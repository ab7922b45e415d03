#pragma once

#include <cstdint>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace lumi::dbf {

// A set of byte ranges [begin, end), kept merged. Used to remember which
// ranges of a file already have their before-image saved.
class IntervalSet {
 public:
  // The parts of [begin, end) not yet in the set, in order.
  std::vector<std::pair<uint64_t, uint64_t>> Uncovered(uint64_t begin, uint64_t end) const {
    std::vector<std::pair<uint64_t, uint64_t>> out;
    if (begin >= end) return out;
    auto it = ranges_.upper_bound(begin);
    if (it != ranges_.begin()) {
      auto p = std::prev(it);
      if (p->second > begin) begin = p->second;
    }
    while (begin < end) {
      if (it == ranges_.end() || it->first >= end) {
        out.emplace_back(begin, end);
        break;
      }
      if (it->first > begin) out.emplace_back(begin, it->first);
      if (it->second > begin) begin = it->second;
      ++it;
    }
    return out;
  }

  bool Covers(uint64_t begin, uint64_t end) const { return Uncovered(begin, end).empty(); }

  void Add(uint64_t begin, uint64_t end) {
    if (begin >= end) return;
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

  void Clear() { ranges_.clear(); }

 private:
  std::map<uint64_t, uint64_t> ranges_;  // begin -> end
};

}  // namespace lumi::dbf
