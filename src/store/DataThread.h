// The loader: reads one keyword's stored companies on a worker thread.
//
// It shares the store's builder through a TBuilderGate and holds the gate's lock for each of
// its two queries only, so the store and the loader never use the builder at the same time.
// It builds its records into a list of its own; the store takes that list in the loader's end
// notification, on the UI thread. The loader never touches the store's keyword records.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Thread.h"
#include "engine/records/KeyUnit.h"
#include "store/DataManager.h"

namespace vlmr {

// The store's builder with the lock its users take turns by. The store empties `builder`
// (under the lock) when it goes, so a loader that outlives the store finds nothing to use.
struct TBuilderGate {
  std::mutex lock;
  std::unique_ptr<TDataManager> builder;
};

// Splits a stored multi-valued column (UTF-8): trimmed, "|" read as a line break, lines ended
// by CR, LF or CR LF; an empty last line is dropped, other empty lines stay. Values are GBK.
std::vector<std::string> SplitStoredValues(std::string_view storedUtf8);

// The region of a company from its numbers and address (the engine's rule); the store is given
// it by the program. Called on the loader's thread.
using TRegionRule = std::function<TRegion(const TComPanyInfo& company)>;

class TDataThread : public TWorkerThread {
 public:
  using TCompanies = std::vector<std::shared_ptr<TComPanyInfo>>;

  TDataThread(std::string keyword, std::shared_ptr<TBuilderGate> gate);
  ~TDataThread() override = default;

  const std::string& Keyword() const { return keyword_; }
  // The records read, in the order the database returned them. For the end notification.
  TCompanies TakeCompanies() { return std::move(companies_); }
  // Rows stored before regions were kept get theirs from `rule` as they are read. Before Start.
  void SetRegionRule(TRegionRule rule) { regionRule_ = std::move(rule); }

 protected:
  void Execute() override;

 private:
  std::string keyword_;
  std::shared_ptr<TBuilderGate> gate_;
  TCompanies companies_;
  TRegionRule regionRule_;
};

}  // namespace vlmr
