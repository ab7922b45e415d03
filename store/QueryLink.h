// A subscription to a query's notices (opened, closed, rows changed, moved),
// dropped when the link is destroyed or bound elsewhere. The grid model and the
// data-bound controls hold one each.
#pragma once

#include <functional>

#include "engine/query.h"

class QueryLink {
 public:
  QueryLink() = default;
  ~QueryLink() { Bind(nullptr, {}); }
  QueryLink(const QueryLink&) = delete;
  QueryLink& operator=(const QueryLink&) = delete;

  // Listens to `query` (none: listens to nothing), calling `notice` for each
  // notice it sends.
  void Bind(lumi::TQuery* query, std::function<void(lumi::QueryEvent)> notice);
  lumi::TQuery* Query() const { return query_; }
  // The query when it has a result open, otherwise null.
  lumi::TQuery* Open() const { return query_ != nullptr && query_->Active() ? query_ : nullptr; }

 private:
  lumi::TQuery* query_ = nullptr;
  int id_ = -1;
};
