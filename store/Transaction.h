// One user action, one change: the statements of an action that writes
// several tables (a line saved with its stock, its order and its work) either
// all stay or none does.
#pragma once

#include <functional>

#include "engine/session.h"

namespace store {

// Runs `steps` inside a transaction of `session`: begins one, commits it when
// the steps return, rolls it back when they throw and throws on. When a
// transaction is already open the steps join it, and the outer action
// commits or rolls back everything.
void AsOneChange(const std::function<void()>& steps,
                 lumi::Session& session = lumi::DefaultSession());

}  // namespace store
