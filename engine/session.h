#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/dbf/table.h"

namespace lumi {

namespace dbf {
class Journal;
}

// What every statement and filter of one program run shares: the folder that
// relative table paths start from, the short date format in which dates are
// written in statements and filters, and the transaction opened by BEGIN.
//
// The program uses the one DefaultSession(); lumi-sql and tests may make their
// own. Not thread-safe.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Relative table paths ("Magazie.dbf", "Data\\CapCom.dbf") start here.
  // Empty means the process's current folder.
  void SetBaseFolder(std::string folder) { base_folder_ = std::move(folder); }
  const std::string& BaseFolder() const { return base_folder_; }

  // The short date format, built from dd / d, MM / M, yyyy / yy and any other
  // character taken literally. Default "dd.MM.yyyy". Throws EngineError for a
  // format without a day, a month and a year.
  void SetDateFormat(const std::string& format);
  const std::string& DateFormat() const { return date_format_; }

  // Turns a path as written in a statement into a file path: backslashes and
  // slashes both separate folders, relative paths start at BaseFolder().
  std::string ResolvePath(const std::string& written) const;

  // Called with the text of every statement a query object is about to run
  // (Open and ExecSQL), before it touches a table. What it throws ends the
  // statement as the statement's own error would. Tests make a chosen
  // statement fail with it; none is set in the program.
  using StatementHook = std::function<void(const std::string& sql)>;
  void SetStatementHook(StatementHook hook) { statement_hook_ = std::move(hook); }
  void BeforeStatement(const std::string& sql) const {
    if (statement_hook_) statement_hook_(sql);
  }

  // BEGIN ... COMMIT: the open transaction, or nullptr.
  bool InTransaction() const { return transaction_ != nullptr; }
  void Begin();
  void Commit();
  void Rollback();
  dbf::Journal* Transaction() const { return transaction_.get(); }

  // The table a statement names, by its path as ResolvePath gives it; throws
  // EngineError "Unknown table" when there is none. Tables stay open between
  // statements so that keyed statements do not reopen their files; a kept
  // table whose file was deleted or replaced is opened afresh.
  dbf::Table OpenTable(const std::string& resolved, const std::string& written);
  // Closes every kept table: before packing, altering or deleting table files,
  // or opening one exclusively. DDL statements and TTable do it themselves.
  void ReleaseTables() { open_tables_.clear(); }
  // Closes the kept table at `resolved` (as ResolvePath gives it, in any
  // case), if there is one: before a table of that name is created.
  void ReleaseTable(const std::string& resolved);

 private:
  std::string base_folder_;
  std::string date_format_ = "dd.MM.yyyy";
  std::unique_ptr<dbf::Journal> transaction_;
  StatementHook statement_hook_;
  struct KeptTable {
    dbf::Table table;
    unsigned long long device = 0, inode = 0;
  };
  std::map<std::string, KeptTable> open_tables_;
};

// The session of the program.
Session& DefaultSession();

}  // namespace lumi
