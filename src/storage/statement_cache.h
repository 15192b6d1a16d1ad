// StatementCache: statements by their SQL text, each prepared at its first use and kept
// until the cache goes; for statements whose text depends on a row count.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/odbc.h"

namespace kestrune {

class StatementCache {
 public:
  explicit StatementCache(odbc::Connection& connection) : connection_(connection) {}

  odbc::Connection& Connection() { return connection_; }

  // The statement of `sql`; `types` are its parameters' types at the first use.
  odbc::Statement& Get(const std::string& sql, const std::vector<odbc::ParamType>& types) {
    std::unique_ptr<odbc::Statement>& statement = statements_[sql];
    if (!statement) {
      auto made = std::make_unique<odbc::Statement>(connection_);
      made->Prepare(sql, types);
      statement = std::move(made);
    }
    return *statement;
  }

 private:
  odbc::Connection& connection_;
  std::unordered_map<std::string, std::unique_ptr<odbc::Statement>> statements_;
};

}  // namespace kestrune
