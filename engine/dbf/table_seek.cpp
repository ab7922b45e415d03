// Scanner::Seek: reading chosen records (those a tag found, in record order)
// through the scan's buffer, a run of nearby ones in one read.
#include <algorithm>

#include "engine/dbf/table_state.h"

namespace lumi::dbf {

namespace {
constexpr size_t kSeekLimit = 64u << 10;  // bytes one seek reads at most
}  // namespace

void Scanner::Seek(uint32_t recno, uint32_t through) {
  state_->CheckUsable();
  state_->CheckRecno(recno);
  recno_ = recno;
  size_t wanted = through > recno ? static_cast<size_t>(through - recno) + 1 : 1;
  Position(std::min(wanted, kSeekLimit / state_->header.record_length));
}

}  // namespace lumi::dbf
