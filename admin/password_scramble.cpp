#include "admin/password_scramble.h"

#include <cstdint>

namespace lumi {
namespace {

// A linear congruential generator: a draw below n is the upper half of the
// 64-bit product of the new state and n, so a bound of 0 always gives 0.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : state_(seed) {}

  std::uint32_t Below(std::uint32_t n) {
    state_ = state_ * 134775813u + 1u;
    return static_cast<std::uint32_t>((std::uint64_t{state_} * n) >> 32);
  }

 private:
  std::uint32_t state_;
};

std::uint32_t SizeOf(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }

}  // namespace

std::string ScramblePassword(std::string_view password) {
  std::uint32_t seed = 0;
  for (const char c : password) seed += static_cast<unsigned char>(c);
  Generator gen(seed);

  std::string s(password);
  // Insert between 6 and 35 bytes of 32..181; position first, then the byte.
  const std::uint32_t inserts = gen.Below(30) + 6;
  for (std::uint32_t n = 0; n < inserts; ++n) {
    const std::uint32_t pos = gen.Below(SizeOf(s));
    const auto byte = static_cast<char>(gen.Below(150) + 32);
    s.insert(s.begin() + pos, byte);
  }
  const std::uint32_t swaps = gen.Below(50) + 50;

  // Position 1 (index 0) is a blank that serves as the swap's spare cell; it
  // ends up holding a copy of the byte last moved. The last byte never moves.
  s.insert(s.begin(), ' ');
  for (std::uint32_t n = 0; n < swaps; ++n) {
    const std::uint32_t i = gen.Below(SizeOf(s) - 2) + 1;
    const std::uint32_t j = gen.Below(SizeOf(s) - 2) + 1;
    s[0] = s[i];
    s[i] = s[j];
    s[j] = s[0];
  }
  return s;
}

}  // namespace lumi
