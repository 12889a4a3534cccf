#include "store/LoadedRows.h"

#include <iterator>
#include <utility>

namespace vlmr {

bool TLoadedRows::Put(TRows batch) {
  std::lock_guard lock(lock_);
  const bool wasEmpty = rows_.empty();
  if (wasEmpty) {
    rows_ = std::move(batch);
  } else {
    rows_.insert(rows_.end(), std::make_move_iterator(batch.begin()),
                 std::make_move_iterator(batch.end()));
  }
  return wasEmpty && !rows_.empty();
}

TLoadedRows::TRows TLoadedRows::Take() {
  std::lock_guard lock(lock_);
  return std::exchange(rows_, {});
}

}  // namespace vlmr
