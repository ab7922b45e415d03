#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumi::dbf {

// The record indexes 0 .. n-1 of `keys` (n keys of `key_length` bytes of
// type `type`, in record order) sorted by key as CompareKeys orders them,
// then by index: the order of a tag's entries.
std::vector<uint32_t> OrderKeys(char type, std::string_view keys, size_t key_length);

}  // namespace lumi::dbf
