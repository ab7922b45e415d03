#pragma once

#include <cstdint>

namespace lumi::dbf {

class DataFile;

// What DataFile tells the active journal before it changes anything. Each
// throws EngineError when no journal is active.
namespace journal_hooks {
void RequireActive();
void BeforeWrite(DataFile& f, uint64_t off, uint64_t n);
void BeforeTruncate(DataFile& f, uint64_t new_size);
void BeforeCreate(DataFile& f);
// Asked after a write when many bytes are pending: flushes the journal, then
// the files.
void MaybeSpill(uint64_t pending_bytes);
// How many pending bytes of one file trigger a spill (tests make it small).
void SetSpillLimit(uint64_t bytes);
}  // namespace journal_hooks

// Defined by the table layer: after a rollback, every open table rereads its
// header and drops its caches.
void ReloadOpenTables();

}  // namespace lumi::dbf
