#pragma once

#include <string>
#include <vector>

#include "engine/dbf/value.h"

namespace lumi::bench {

// The rows of the five tables for a shop with `order_lines` order lines: a
// tenth as many orders (nine in ten delivered), one receipt per order, a
// hundredth as many stock items (goods, auxiliary materials, labour) and a
// two-hundredth as many clients; every order has two works with their
// headings. Deterministic for a given size.
struct Dataset {
  std::vector<std::vector<dbf::Value>> magazie, capcom, comenzi, clienti, plati;
  int items = 0, clients = 0, orders = 0;
};

Dataset Generate(int order_lines);

// Writes the tables, with the program's index tags, into `data_folder`.
void WriteDbf(const Dataset& d, const std::string& data_folder);

}  // namespace lumi::bench
