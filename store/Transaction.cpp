#include "store/Transaction.h"

#include <exception>

namespace store {

void AsOneChange(const std::function<void()>& steps, lumi::Session& session) {
  if (session.InTransaction()) {
    steps();
    return;
  }
  session.Begin();
  try {
    steps();
    session.Commit();
  } catch (...) {
    // The error that stopped the steps is the one the user must see; a
    // rollback that fails too leaves the journal for the next open to undo.
    if (session.InTransaction()) {
      try {
        session.Rollback();
      } catch (...) {
      }
    }
    throw;
  }
}

}  // namespace store
