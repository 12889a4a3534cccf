#include "cli/CollectCommand.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "cli/CollectOptions.h"
#include "cli/CollectOutput.h"
#include "cli/CollectRun.h"
#include "cli/ListCommand.h"
#include "cli/ProxiesCommand.h"
#include "cli/StopSignals.h"
#include "engine/Gates.h"
#include "engine/ProxyPool.h"
#include "engine/ProxySetup.h"
#include "net/HttpClient.h"
#include "platform/FolderLock.h"
#include "store/KeyListInfo.h"
#include "tasks/RegionRule.h"

namespace vlmr {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// How long an export waits for a keyword's companies to load.
constexpr int kLoadWaitMs = 120000;

int Fail(const std::string& utf8) {
  std::fprintf(stderr, "vlmr-collect: %s\n", utf8.c_str());
  return kExitFailure;
}

// The folder Data/users lives in, ending with the delimiter.
std::string ProgramFolderOf(const std::string& given) {
  if (given.empty()) {
    return AppFolder();
  }
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(given, error);
  return IncludeBackslash(error ? given : absolute.lexically_normal().string());
}

// The pool gets the saved proxies, or the run's own in their place (the saved file is left as it
// is; whether company sites go through the proxies stays the saved choice).
void UseProxies(const TCollectOptions& options) {
  TProxySettings saved;
  const std::string problem = ConfigureSavedProxies(TProxyStore(), &saved);
  if (options.proxies) {
    saved.proxies = *options.proxies;
    TProxyPool::Configure(saved);
  } else if (!problem.empty()) {
    std::fprintf(stderr, "vlmr-collect: %s\n", GbkToUtf8(problem).c_str());
  }
}

int ExportKeyword(TKeyListInfo& store, TQueueDispatcher& ui, const TCollectOptions& options) {
  const std::string& keyword = options.keywords.front();
  const TKeyData* record = store.FindKeyword(keyword);
  if (!record) {
    return Fail("没有关键词[" + GbkToUtf8(keyword) + "]（vlmr-collect list 列出已有的关键词）");
  }
  const std::string stored = record->Keyword;
  bool loaded = false;
  store.OnCompaniesLoaded = [&](TKeyListInfo&, const std::string& k) { loaded |= k == stored; };
  if (!store.RequestKeyword(stored, TPendingAction::Export) &&
      !ui.ProcessUntil([&] { return loaded; }, kLoadWaitMs)) {
    return Fail("关键词[" + GbkToUtf8(stored) + "]的记录没有载入");
  }
  store.OnCompaniesLoaded = nullptr;
  store.TakePendingAction(stored);
  const TCompanyList* companies = store.CompanyListOf(stored);
  if (!companies || companies->empty()) {
    return Fail("关键词[" + GbkToUtf8(stored) + "]没有可导出的记录");
  }
  TResultFilter filter = options.filter;
  if (!options.region.empty() && !ResolveRegion(RegionCounts(*companies), options.region, filter)) {
    return Fail("关键词[" + GbkToUtf8(stored) + "]没有地区[" + GbkToUtf8(options.region) +
                "]的记录");
  }
  TResultFilter counted = filter;
  counted.noShared = counted.noShared || options.noShared;
  const std::size_t written = CountMatches(*companies, counted, store.SharedNumbers());
  if (written == 0) {
    return Fail("关键词[" + GbkToUtf8(stored) + "]没有符合条件的记录");
  }
  if (!store.ExportKeyword(stored, options.outputFile, options.fields, options.format, filter,
                           options.noShared)) {
    return Fail("无法写入导出文件 " + options.outputFile);
  }
  std::printf("已导出 %zu 条记录到 %s\n", written, options.outputFile.c_str());
  return 0;
}

int Collect(TKeyListInfo& store, TQueueDispatcher& ui, const TCollectOptions& options) {
  std::unique_ptr<TCollectOutput> output = MakeCollectOutput(stdout, options.json);
  TCollectRun::TSettings settings;
  settings.keywords = options.keywords;
  settings.engines = options.engines;
  settings.limitMs = static_cast<std::int64_t>(options.minutes * 60000.0);
  TCollectRun run(store, ui, *output, settings, [] { return TStopSignals::Received(); });
  const int code = run.Run();
  for (const std::string& error : run.Errors()) {
    std::fprintf(stderr, "vlmr-collect: %s\n", error.c_str());
  }
  return code;
}

int RunOnStore(const TCollectOptions& options, const std::string& folder) {
  TScopedQueueDispatcher ui;
  std::optional<TKeyListInfo> store;
  try {
    store.emplace();
    InstallRegionRule(*store);
    store->LoadKeywords();
  } catch (const std::exception& e) {
    // The file is not touched: a damaged database stays as it is for its owner to look at.
    return Fail("无法打开数据库文件 Data/users：" + std::string(e.what()) + "（" + folder +
                "Data/users）");
  }
  switch (options.action) {
    case TCollectAction::List:
      ListKeywords(*store, stdout, options.json);
      return 0;
    case TCollectAction::Export: {
      const int code = ExportKeyword(*store, *ui, options);
      // The loader's thread still ends after it handed its records over: the program may only
      // end once it has.
      TWorkerRegistry::WaitUntilEmpty(kLoadWaitMs, [&] { ui->ProcessEvents(); });
      return code;
    }
    case TCollectAction::Run:
    case TCollectAction::Proxies:
      break;
  }
  TEngineLocks::Create();
  const int code = Collect(*store, *ui, options);
  // The workers have ended (or the bounded wait ran out): Destroy keeps what a straggler
  // still holds.
  store.reset();
  TEngineLocks::Destroy();
  return code;
}

}  // namespace

int RunCollectCommand(int argc, const char* const* argv) {
  const TParsedCommandLine parsed = ParseCollectCommandLine(argc, argv);
  switch (parsed.outcome) {
    case TParsedCommandLine::TOutcome::Help:
      std::fputs(parsed.text.c_str(), stdout);
      return 0;
    case TParsedCommandLine::TOutcome::Usage:
      std::fprintf(stderr, "vlmr-collect: %s\n", parsed.text.c_str());
      return kExitUsage;
    case TParsedCommandLine::TOutcome::Options:
      break;
  }
  const TCollectOptions& options = parsed.options;
  if (options.action == TCollectAction::Proxies) {
    InitNetwork();
    return ListProxies(stdout, stderr, options.check);
  }
  const std::string folder = ProgramFolderOf(options.dataFolder);
  if (options.action != TCollectAction::Run &&
      !std::filesystem::exists(folder + "Data" + kPathDelim + "users")) {
    return Fail("数据文件夹 " + folder + " 中没有数据库 Data/users");
  }
  if (!options.dataFolder.empty()) {
    SetAppFolderOverride(folder);
  }
  TFolderLock lock(folder);
  switch (lock.Acquire()) {
    case TFolderLock::TResult::Held:
      break;
    case TFolderLock::TResult::Busy:
      return Fail("数据文件夹 " + folder +
                  " 正被 vlmr 窗口或另一个 vlmr-collect 使用；请先关闭它再试");
    case TFolderLock::TResult::Unavailable:
      return Fail("无法写入数据文件夹 " + folder + "Data：" + lock.Error());
  }
  if (options.action == TCollectAction::Run) {
    InitNetwork();  // before any thread starts
    TStopSignals::Install();
    UseProxies(options);
  }
  return RunOnStore(options, folder);
}

}  // namespace vlmr
