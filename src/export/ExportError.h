// The failure of an export's writing: raised by the writers, turned into a false result by the
// store's ExportKeyword.
#pragma once

#include <stdexcept>

namespace vlmr {

class EExportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vlmr
