#include "engine/dbf/table.h"

#include "engine/error.h"

namespace lumi::dbf {

class TableState {
 public:
  std::string path;
  std::vector<FieldDef> fields;
};

namespace {
[[noreturn]] void NotYet() { throw EngineError("dBase tables are not available yet"); }
}  // namespace

Table Table::Open(const std::string&, OpenMode) { NotYet(); }
Table Table::Create(const std::string&, const std::vector<FieldDef>&) { NotYet(); }
std::optional<std::string> Table::Resolve(const std::string&) { return std::nullopt; }
Table::Table() = default;
Table::Table(std::shared_ptr<TableState> s) : state_(std::move(s)) {}
Table::Table(const Table&) = default;
Table& Table::operator=(const Table&) = default;
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;
void Table::Close() { state_.reset(); }
const std::string& Table::path() const { NotYet(); }
const std::vector<FieldDef>& Table::fields() const { NotYet(); }
int Table::FieldIndex(std::string_view) const { NotYet(); }
uint32_t Table::RecordCount() const { NotYet(); }
int Table::level() const { NotYet(); }
uint8_t Table::language_driver() const { NotYet(); }
bool Table::has_memo() const { NotYet(); }
Record Table::Read(uint32_t) const { NotYet(); }
Value Table::Get(uint32_t, int) const { NotYet(); }
bool Table::IsDeleted(uint32_t) const { NotYet(); }
Scanner Table::Scan() const { NotYet(); }
uint32_t Table::Append(const std::vector<Value>&) { NotYet(); }
void Table::Update(uint32_t, const std::vector<std::pair<int, Value>>&) { NotYet(); }
void Table::MarkDeleted(uint32_t) { NotYet(); }
void Table::Recall(uint32_t) { NotYet(); }
void Table::Pack() { NotYet(); }
void Table::AddField(const FieldDef&) { NotYet(); }
std::vector<TagInfo> Table::Tags() const { NotYet(); }
void Table::CreateTag(const std::string&, const std::string&) { NotYet(); }
void Table::DropIndex() { NotYet(); }
std::vector<uint32_t> Table::FindEqual(std::string_view, const Value&) const { NotYet(); }
std::vector<uint32_t> Table::FindRange(std::string_view, const std::optional<KeyBound>&,
                                       const std::optional<KeyBound>&) const {
  NotYet();
}
std::vector<uint32_t> Table::FindPrefix(std::string_view, std::string_view) const { NotYet(); }
std::optional<std::string> Table::VerifyIndex() const { NotYet(); }
void Table::RebuildIndex() { NotYet(); }

Scanner::Scanner(std::shared_ptr<TableState> s) : state_(std::move(s)) {}
bool Scanner::Next() { NotYet(); }
bool Scanner::deleted() const { NotYet(); }
Value Scanner::Get(int) const { NotYet(); }
Record Scanner::Read() const { NotYet(); }

}  // namespace lumi::dbf

namespace lumi::dbf {
void ReloadOpenTables() {}
}  // namespace lumi::dbf
