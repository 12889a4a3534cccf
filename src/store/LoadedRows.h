// The rows a loader has read and the UI thread has not taken yet. The loader puts a batch at a
// time; the UI thread takes everything there is. Any thread may use it.
#pragma once

#include <mutex>
#include <vector>

#include "store/CompanyList.h"

namespace vlmr {

class TLoadedRows {
 public:
  using TRows = std::vector<TCompanyList::TEntry>;

  // Adds a batch after the rows put before; true when nothing was waiting (the taker is to be
  // told that rows arrived), false when an earlier batch still waits to be taken.
  bool Put(TRows batch);
  // Everything put and not yet taken, in order.
  TRows Take();

 private:
  std::mutex lock_;
  TRows rows_;
};

}  // namespace vlmr
