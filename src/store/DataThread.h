// The loader: reads one keyword's stored companies on a worker thread.
//
// It shares the store's builder through a TBuilderGate and reads in batches of kLoadBatch rows
// (in the order of their ListID), holding the gate's lock for one batch's query only: the store
// never waits on the loader longer than that. Each batch's records go to a TLoadedRows the
// store takes them from on the UI thread (told through `onArrived` when rows wait there); the
// end notification follows the last batch. The loader never touches the store's keyword
// records. It ends early when the gate's builder is gone or the gate asks loaders to stop.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/Thread.h"

#include "store/CompanyList.h"
#include "store/DataManager.h"
#include "store/LoadedRows.h"

namespace vlmr {

// The store's builder with the lock its users take turns by. The store empties `builder`
// (under the lock) when it goes, so a loader that outlives the store finds nothing to use.
struct TBuilderGate {
  std::mutex lock;
  std::unique_ptr<TDataManager> builder;
  std::atomic<bool> stopLoads{false};  // loaders end at their next batch
};

// Rows a loader reads under one hold of the gate's lock.
inline constexpr int kLoadBatch = 2000;

// Splits a stored multi-valued column (UTF-8): trimmed, "|" read as a line break, lines ended
// by CR, LF or CR LF; an empty last line is dropped, other empty lines stay. Values are GBK.
std::vector<std::string> SplitStoredValues(std::string_view storedUtf8);

// The region of a company from its numbers and address (the engine's rule); the store is given
// it by the program. Called on the loader's thread.
using TRegionRule = std::function<TRegion(const TComPanyInfo& company)>;

class TDataThread : public TWorkerThread {
 public:
  // `onArrived` is called on the loader's thread when a batch went to `rows` while nothing
  // waited there.
  TDataThread(std::string keyword, std::shared_ptr<TBuilderGate> gate,
              std::shared_ptr<TLoadedRows> rows, std::function<void()> onArrived = {});
  ~TDataThread() override = default;

  const std::string& Keyword() const { return keyword_; }
  // Rows stored before regions were kept get theirs from `rule` as they are read. Before Start.
  void SetRegionRule(TRegionRule rule) { regionRule_ = std::move(rule); }

 protected:
  void Execute() override;

 private:
  std::string keyword_;
  std::shared_ptr<TBuilderGate> gate_;
  std::shared_ptr<TLoadedRows> rows_;
  std::function<void()> onArrived_;
  TRegionRule regionRule_;
};

}  // namespace vlmr
