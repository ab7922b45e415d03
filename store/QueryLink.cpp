#include "store/QueryLink.h"

#include <utility>

void QueryLink::Bind(lumi::TQuery* query, std::function<void(lumi::QueryEvent)> notice) {
  if (query_ != nullptr && id_ >= 0) query_->RemoveListener(id_);
  id_ = -1;
  query_ = query;
  if (query_ != nullptr) id_ = query_->AddListener(std::move(notice));
}
