// Scanner::Seek: reading chosen records (those a tag found, in record order)
// through the scan's buffer.
#include <algorithm>

#include "engine/dbf/table_state.h"

namespace lumi::dbf {

namespace {
// Bytes read at a seek outside the buffer: a few records past the one asked
// for, since the records a tag finds for one key often lie together.
constexpr size_t kSeekWindow = 8u << 10;
}  // namespace

void Scanner::Seek(uint32_t recno) {
  state_->CheckUsable();
  state_->CheckRecno(recno);
  recno_ = recno;
  size_t reclen = state_->header.record_length;
  if (recno_ >= buffer_first_ + buffer_records_ || recno_ < buffer_first_) {
    size_t per = std::max<size_t>(1, kSeekWindow / reclen);
    size_t n = std::min<size_t>(per, state_->header.record_count - recno_ + 1);
    buffer_.resize(n * reclen);
    state_->dbf->ReadExact(state_->header.RecordOffset(recno_), buffer_.data(), buffer_.size());
    buffer_first_ = recno_;
    buffer_records_ = n;
  }
  current_ = buffer_.data() + (recno_ - buffer_first_) * reclen;
}

}  // namespace lumi::dbf
