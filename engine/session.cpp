#include "engine/session.h"

#include <sys/stat.h>

#include <cctype>

#include "engine/dbf/ascii_case.h"
#include "engine/dbf/journal.h"
#include "engine/error.h"
#include "engine/sql/values.h"

namespace lumi {

Session::Session() = default;

Session::~Session() {
  // An open BEGIN that was never committed is rolled back by the journal.
}

void Session::SetDateFormat(const std::string& format) {
  sql::CheckDateFormat(format);
  date_format_ = format;
}

std::string Session::ResolvePath(const std::string& written) const {
  std::string p = written;
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  // "/x", "//server/x" and "C:/x" are absolute.
  bool absolute = (!p.empty() && p[0] == '/') ||
                  (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0])));
  if (!absolute && !base_folder_.empty()) {
    std::string base = base_folder_;
    for (char& c : base) {
      if (c == '\\') c = '/';
    }
    if (base.back() != '/') base.push_back('/');
    p = base + p;
  }
  return p;
}

dbf::Table Session::OpenTable(const std::string& resolved, const std::string& written) {
  auto it = open_tables_.find(resolved);
  if (it != open_tables_.end()) {
    struct stat st;
    if (::stat(it->second.table.path().c_str(), &st) == 0 && st.st_dev == it->second.device &&
        st.st_ino == it->second.inode) {
      return it->second.table;
    }
    open_tables_.erase(it);
  }
  auto found = dbf::Table::Resolve(resolved);
  if (!found) throw EngineError("Unknown table \"" + written + "\"");
  KeptTable kept;
  kept.table = dbf::Table::Open(*found);
  struct stat st;
  if (::stat(kept.table.path().c_str(), &st) == 0) {
    kept.device = st.st_dev;
    kept.inode = st.st_ino;
    if (open_tables_.size() >= 32) open_tables_.clear();
    open_tables_[resolved] = kept;
  }
  return kept.table;
}

void Session::ReleaseTable(const std::string& resolved) {
  for (auto it = open_tables_.begin(); it != open_tables_.end();) {
    if (dbf::EqualsIgnoringCase(it->first, resolved) ||
        dbf::EqualsIgnoringCase(it->second.table.path(), resolved))
      it = open_tables_.erase(it);
    else
      ++it;
  }
}

void Session::Begin() {
  if (transaction_) throw EngineError("BEGIN: a transaction is already open");
  transaction_ = std::make_unique<dbf::Journal>();
}

void Session::Commit() {
  if (!transaction_) throw EngineError("COMMIT: no transaction is open (BEGIN first)");
  auto t = std::move(transaction_);
  t->Commit();
}

void Session::Rollback() {
  if (!transaction_) throw EngineError("ROLLBACK: no transaction is open (BEGIN first)");
  auto t = std::move(transaction_);
  t->Rollback();
}

Session& DefaultSession() {
  static Session session;
  return session;
}

}  // namespace lumi
