#include "engine/dbf/table.h"
#include "engine/error.h"
#include "engine/query.h"

namespace lumi {

struct TTable::Handle {
  dbf::Table table;
};

TTable::TTable(Session* session) : session_(session ? session : &DefaultSession()) {}

TTable::~TTable() = default;

void TTable::SetTableName(const std::string& path) {
  Close();
  table_name_ = path;
}

void TTable::SetExclusive(bool on) {
  Close();
  exclusive_ = on;
}

void TTable::Open() {
  Close();
  if (table_name_.empty()) throw EngineError("Table name is empty");
  session_->ReleaseTables();  // an exclusive open, a pack: no other handle may stay
  auto h = std::make_unique<Handle>();
  h->table = dbf::Table::Open(session_->ResolvePath(table_name_),
                              exclusive_ ? dbf::OpenMode::kExclusive : dbf::OpenMode::kShared);
  handle_ = std::move(h);
}

void TTable::Close() { handle_.reset(); }

bool TTable::Active() const { return handle_ != nullptr; }

void TTable::Pack() {
  if (!handle_) throw EngineError("Pack: the table " + table_name_ + " is not open");
  if (!exclusive_) {
    throw EngineError("Pack: the table " + table_name_ + " must be opened for exclusive use");
  }
  handle_->table.Pack();
}

}  // namespace lumi
