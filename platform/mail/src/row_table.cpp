// A table over rows held in memory.
#include "row_table.h"

#include "property_bag.h"

namespace kv::mail {

Status RowTable::SetColumns(const std::vector<PropTag>& columns) {
  columns_ = columns;
  columnsSet_ = true;
  return Status::Ok();
}

Status RowTable::QueryRows(uint32_t count, std::vector<PropRow>* rows) {
  rows->clear();
  for (; count > 0 && cursor_ < rows_.size(); --count, ++cursor_) {
    const PropRow& full = rows_[cursor_];
    if (!columnsSet_) {
      rows->push_back(full);
      continue;
    }
    PropRow row;
    for (PropTag tag : columns_) {
      const PropValue* value = FindProp(full, ChangePropType(tag, kPtUnspecified));
      PropValue converted;
      if (value != nullptr && ConvertValue(*value, PropType(tag), &converted)) {
        row.push_back(std::move(converted));
      } else {
        row.push_back(PropValue::Error(tag, kMapiENotFound));
      }
    }
    rows->push_back(std::move(row));
  }
  return Status::Ok();
}

Status RowTable::SeekRowBeginning() {
  cursor_ = 0;
  return Status::Ok();
}

}  // namespace kv::mail
