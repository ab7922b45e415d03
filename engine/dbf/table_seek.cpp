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
  size_t reclen = state_->header.record_length;
  if (recno_ >= buffer_first_ + buffer_records_ || recno_ < buffer_first_) {
    size_t most = std::max<size_t>(1, kSeekLimit / reclen);
    size_t n = through > recno ? static_cast<size_t>(through - recno) + 1 : 1;
    n = std::min({n, most, static_cast<size_t>(state_->header.record_count - recno_ + 1)});
    buffer_.resize(n * reclen);
    state_->dbf->ReadExact(state_->header.RecordOffset(recno_), buffer_.data(), buffer_.size());
    buffer_first_ = recno_;
    buffer_records_ = n;
  }
  current_ = buffer_.data() + (recno_ - buffer_first_) * reclen;
}

}  // namespace lumi::dbf
