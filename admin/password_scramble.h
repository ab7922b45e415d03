// The scrambled form in which the administrator password is stored.
#pragma once

#include <string>
#include <string_view>

namespace lumi {

// Scrambles the 8-bit bytes of a password. A pure function: stored values are
// compared with newly scrambled ones, so the generator and every step must stay
// exactly as they are, or every password set so far stops working.
std::string ScramblePassword(std::string_view password);

}  // namespace lumi
