#include "engine/dbf/journal.h"

#include "engine/error.h"

namespace lumi::dbf {

class JournalImpl {};

Journal::Journal() : impl_(std::make_unique<JournalImpl>()) {}
Journal::~Journal() = default;
void Journal::Commit() {}
void Journal::Rollback() {}
bool Journal::active() const { return false; }
size_t Journal::Savepoint() { return 0; }
void Journal::RollbackTo(size_t) {}
Journal* Journal::Active() { return nullptr; }
void Journal::Recover(const std::string&) {}

}  // namespace lumi::dbf
