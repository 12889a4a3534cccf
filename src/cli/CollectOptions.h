// The command line of vlmr-collect: three commands over one data folder.
//
//   run KEYWORD... [--engines baidu,sogou,360] [--data FOLDER] [--for MINUTES] [--json]
//       [--proxy URL]... [--proxy-file FILE]
//   list [--data FOLDER] [--json]
//   export KEYWORD --format txt|xls [--fields name,mobile,...] -o FILE [--data FOLDER]
//          [--region 广东|广州市|...] [--source baidu|sogou|360] [--with landline,email,wechat]
//          [--name TEXT] [--no-shared]
//   proxies [--check]
//
// `--proxy` and `--proxy-file` give the proxies of one run in place of the saved list (which
// stays as it is); a proxy that does not parse, or a file with a bad line, is bad usage and the
// hint names the address's reason or the file's line. `proxies` shows the saved list.
//
// Arguments arrive as UTF-8. Keywords are trimmed and converted to GBK here, so that a keyword
// the store could not hold (empty, not UTF-8, a character without a GBK form) is bad usage,
// refused before anything is opened.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/ExportFields.h"
#include "export/ExportFormat.h"
#include "net/ProxyList.h"
#include "store/ResultFilter.h"
#include "tasks/TaskBoard.h"

namespace vlmr {

enum class TCollectAction : std::uint8_t { Run, List, Export, Proxies };

struct TCollectOptions {
  TCollectAction action = TCollectAction::Run;
  std::vector<std::string> keywords;  // GBK, trimmed, not empty; one for export
  TEngineChoice engines;              // all three unless --engines names some
  std::string dataFolder;             // the folder Data/users lives in; empty: the program's
  double minutes = 0;                 // --for; 0: no time limit
  bool json = false;
  TExportFormat format = TExportFormat::Text;  // export: txt, xls, xlsx or csv
  TExportFields fields{true, true, true, true, true, true, true};
  std::string outputFile;
  // run: the proxies of this run, in order (--proxy first, then the file's); unset: the saved.
  std::optional<std::vector<TProxy>> proxies;
  bool check = false;  // proxies --check
  // export: the companies written, as the window's filter bar chooses them (ResultFilter.h);
  // the region is resolved against the keyword's regions once they are loaded.
  TResultFilter filter;
  std::string region;     // GBK; a province or city, with or without "省" / "市"
  bool noShared = false;  // leave shared numbers out (and companies left without numbers)
};

struct TParsedCommandLine {
  enum class TOutcome : std::uint8_t {
    Options,  // `options` holds what to do
    Help,     // `text` is the help asked for (exit 0)
    Usage,    // `text` is a one-line hint (exit 2)
  };
  TOutcome outcome = TOutcome::Usage;
  TCollectOptions options;
  std::string text;  // UTF-8
};

TParsedCommandLine ParseCollectCommandLine(int argc, const char* const* argv);

}  // namespace vlmr
