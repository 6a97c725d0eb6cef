// A table over rows held in memory: the snapshot behind every table of the service.
#pragma once

#include <vector>

#include "KVPlatform/mail_props.h"

namespace kv::mail {

class RowTable : public Table {
 public:
  explicit RowTable(std::vector<PropRow> rows) : rows_(std::move(rows)) {}

  Status SetColumns(const std::vector<PropTag>& columns) override;
  Status QueryRows(uint32_t count, std::vector<PropRow>* rows) override;
  Status SeekRowBeginning() override;
  uint32_t RowCount() const override { return static_cast<uint32_t>(rows_.size()); }

 private:
  std::vector<PropRow> rows_;
  std::vector<PropTag> columns_;
  bool columnsSet_ = false;
  size_t cursor_ = 0;
};

}  // namespace kv::mail
