#include "cli/CollectOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <sstream>

#include "base/Text.h"
#include "platform/FileIo.h"

namespace vlmr {
namespace {

const char* const kHint = "（vlmr-collect --help 查看用法）";
constexpr std::size_t kMaxProxyFileBytes = 4 * 1024 * 1024;

class EBadUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A keyword as the store keeps it (GBK, trimmed).
std::string KeywordOf(const std::string& utf8) {
  if (!IsValidUtf8(utf8)) {
    throw EBadUsage("关键词不是有效的 UTF-8 文本");
  }
  const std::string missing = FirstCharWithoutGbk(utf8);
  if (!missing.empty()) {
    throw EBadUsage("关键词[" + utf8 + "]含有 GBK 无法表示的字符：" + missing);
  }
  std::string keyword = Trim(Utf8ToGbk(utf8));
  if (keyword.empty()) {
    throw EBadUsage("关键词不能为空");
  }
  return keyword;
}

// A name --format has already checked.
TExportFormat FormatOf(const std::string& lowered) {
  if (lowered == "xls")
    return TExportFormat::Excel;
  if (lowered == "xlsx")
    return TExportFormat::Xlsx;
  if (lowered == "csv")
    return TExportFormat::Csv;
  return TExportFormat::Text;
}

TEngineChoice EnginesOf(const std::vector<std::string>& names) {
  TEngineChoice engines{false, false, false};
  for (const std::string& given : names) {
    const std::string name = Lower(Trim(given));
    if (name == "baidu") {
      engines.baidu = true;
    } else if (name == "sogou") {
      engines.sogou = true;
    } else if (name == "360") {
      engines.so360 = true;
    } else {
      throw EBadUsage("未知的搜索引擎：" + given + "（可用：baidu,sogou,360）");
    }
  }
  if (!engines.Any()) {
    throw EBadUsage("--engines 至少要指定一个搜索引擎（baidu,sogou,360）");
  }
  return engines;
}

TExportFields FieldsOf(const std::vector<std::string>& names) {
  TExportFields fields;
  for (const std::string& given : names) {
    const std::string name = Lower(Trim(given));
    if (name == "name" || name == "company") {
      fields.company = true;
    } else if (name == "mobile") {
      fields.mobile = true;
    } else if (name == "qq") {
      fields.qq = true;
    } else if (name == "email") {
      fields.email = true;
    } else if (name == "address") {
      fields.address = true;
    } else if (name == "url" || name == "web") {
      fields.webUrl = true;
    } else if (name == "wechat") {
      fields.wechat = true;
    } else {
      throw EBadUsage("未知的导出字段：" + given +
                      "（可用：name,mobile,qq,email,address,url,wechat）");
    }
  }
  return fields;
}

// A --proxy value.
TProxy ProxyOf(const std::string& given) {
  TProxy proxy;
  const TProxyError error = ParseProxy(Trim(given), proxy);
  if (error != TProxyError::None) {
    // The address as given may hold a password: the hint names only the reason.
    throw EBadUsage("--proxy 的代理地址无效：" + GbkToUtf8(ProxyErrorText(error)));
  }
  return proxy;
}

// The proxies of a --proxy-file: every line must parse.
std::vector<TProxy> ProxyFileOf(const std::string& path) {
  std::string text;
  switch (ReadWholeFile(path, kMaxProxyFileBytes, text)) {
    case TFileRead::Read:
      break;
    case TFileRead::Missing:
      throw EBadUsage("代理文件不存在：" + path);
    case TFileRead::Failed:
      throw EBadUsage("无法读取代理文件：" + path);
  }
  TProxyListParse parsed = ParseProxyList(text);
  if (!parsed.errors.empty()) {
    const TProxyLineError& first = parsed.errors.front();
    std::string message = "代理文件 " + path + " 第 " + std::to_string(first.line) + " 行无效：" +
                          GbkToUtf8(ProxyErrorText(first.error));
    if (parsed.errors.size() > 1) {
      message += "（另有 " + std::to_string(parsed.errors.size() - 1) + " 行无效）";
    }
    throw EBadUsage(message);
  }
  if (parsed.proxies.empty()) {
    throw EBadUsage("代理文件 " + path + " 中没有代理");
  }
  return std::move(parsed.proxies);
}

// The "--with" criteria of an export's filter.
void AddContactCriteria(const std::vector<std::string>& names, TResultFilter& filter) {
  for (const std::string& given : names) {
    const std::string name = Lower(Trim(given));
    if (name == "landline") {
      filter.hasLandline = true;
    } else if (name == "email") {
      filter.hasEmail = true;
    } else if (name == "wechat") {
      filter.hasWeChat = true;
    } else {
      throw EBadUsage("未知的 --with 条件：" + given + "（可用：landline,email,wechat）");
    }
  }
}

// The source label of an engine named on the command line.
std::string SourceOf(const std::string& given) {
  const std::string name = Lower(Trim(given));
  for (const auto& engine : kEngines) {
    if (name == engine.name || (name == "sogou" && engine.index == ENGINE_SOGOU)) {
      return SourceLabel(engine.index);
    }
  }
  throw EBadUsage("未知的来源：" + given + "（可用：baidu,sogou,360）");
}

// A text argument as GBK, refused when it has no GBK form.
std::string GbkArgument(const std::string& option, const std::string& utf8) {
  if (!IsValidUtf8(utf8) || !FirstCharWithoutGbk(utf8).empty()) {
    throw EBadUsage(option + " 不是有效的文本，或含有 GBK 无法表示的字符");
  }
  return Trim(Utf8ToGbk(utf8));
}

// The first line of a library message: the hint is one line.
std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

}  // namespace

TParsedCommandLine ParseCollectCommandLine(int argc, const char* const* argv) {
  TParsedCommandLine parsed;
  TCollectOptions& o = parsed.options;
  std::vector<std::string> keywords;
  std::vector<std::string> engines;
  std::vector<std::string> fields;
  std::string format;
  std::vector<std::string> proxies;
  std::string proxyFile;

  CLI::App app("vlmr-collect：不开窗口采集企业联系方式，与 vlmr 共用同一个数据文件夹",
               "vlmr-collect");
  app.require_subcommand(1);
  auto dataOption = [&](CLI::App* command) {
    command->add_option("--data", o.dataFolder,
                        "数据所在的文件夹（其中的 Data/users），默认为程序所在的文件夹");
  };

  CLI::App* run = app.add_subcommand("run", "添加新的关键词并采集，直到每个任务按空闲规则结束");
  run->add_option("keywords", keywords, "关键词")->required();
  run->add_option("--engines", engines, "搜索引擎，以逗号分隔：baidu,sogou,360（默认全部）")
      ->delimiter(',');
  run->add_option("--for", o.minutes, "最多采集的分钟数（可带小数）");
  run->add_flag("--json", o.json, "每个事件输出一行 JSON");
  run->add_option("--proxy", proxies,
                  "本次使用的代理（可重复）：http://、https://、socks5:// 或 socks5h:// 地址，"
                  "代替已保存的代理列表");
  run->add_option("--proxy-file", proxyFile,
                  "本次使用的代理列表文件：每行一个代理，# 开头为注释，代替已保存的代理列表");
  dataOption(run);

  CLI::App* list = app.add_subcommand("list", "列出关键词、记录数、最后更新和已采集的页数");
  list->add_flag("--json", o.json, "每个关键词输出一行 JSON");
  dataOption(list);

  CLI::App* exporter = app.add_subcommand("export", "导出一个关键词的记录");
  exporter->add_option("keyword", keywords, "关键词")->required()->expected(1);
  exporter->add_option("--format", format, "文件格式：txt、xls、xlsx 或 csv")
      ->required()
      ->check(CLI::IsMember({"txt", "xls", "xlsx", "csv"}, CLI::ignore_case));
  exporter
      ->add_option("--fields", fields,
                   "导出的字段，以逗号分隔：name,mobile,qq,email,address,url（默认全部）")
      ->delimiter(',');
  exporter->add_option("-o,--output", o.outputFile, "导出到的文件")->required();
  std::string region;
  std::string source;
  std::vector<std::string> with;
  std::string name;
  exporter->add_option("--region", region, "只导出这个省或城市的记录，如 广东、广州市");
  exporter->add_option("--source", source, "只导出这个来源的记录：baidu、sogou 或 360");
  exporter->add_option("--with", with, "只导出有这些联系方式的记录：landline,email,wechat")
      ->delimiter(',');
  exporter->add_option("--name", name, "只导出公司名包含这段文字的记录");
  exporter->add_flag("--no-shared", o.noShared,
                     "不导出共享号码（三家以上不同公司使用），也不导出因此没有号码的记录");
  dataOption(exporter);

  CLI::App* proxyList = app.add_subcommand(
      "proxies", "列出已保存的代理（不显示密码）及其请求数、验证次数、失败次数和状态");
  proxyList->add_flag("--check", o.check, "逐个测试代理，说明失败的原因或所用的时间");

  try {
    app.parse(argc, argv);
    if (run->parsed()) {
      o.action = TCollectAction::Run;
      if (!engines.empty()) {
        o.engines = EnginesOf(engines);
      }
      if (run->count("--for") > 0 && !(o.minutes > 0 && o.minutes < 1e7)) {
        throw EBadUsage("--for 需要一个正的分钟数");
      }
      if (!proxies.empty() || run->count("--proxy-file") > 0) {
        std::vector<TProxy> given;
        for (const std::string& p : proxies) {
          given.push_back(ProxyOf(p));
        }
        if (run->count("--proxy-file") > 0) {
          for (TProxy& p : ProxyFileOf(proxyFile)) {
            given.push_back(std::move(p));
          }
        }
        o.proxies = std::move(given);
      }
    } else if (list->parsed()) {
      o.action = TCollectAction::List;
    } else if (proxyList->parsed()) {
      o.action = TCollectAction::Proxies;
    } else {
      o.action = TCollectAction::Export;
      o.format = FormatOf(Lower(format));
      if (!fields.empty()) {
        o.fields = FieldsOf(fields);
      }
      AddContactCriteria(with, o.filter);
      if (!source.empty()) {
        o.filter.source = SourceOf(source);
      }
      o.filter.name = GbkArgument("--name", name);
      o.region = GbkArgument("--region", region);
    }
    for (const std::string& keyword : keywords) {
      o.keywords.push_back(KeywordOf(keyword));
    }
    parsed.outcome = TParsedCommandLine::TOutcome::Options;
  } catch (const CLI::CallForHelp&) {
    std::ostringstream help;
    CLI::App* asked = app.get_subcommands().empty() ? &app : app.get_subcommands().front();
    help << asked->help();
    parsed.outcome = TParsedCommandLine::TOutcome::Help;
    parsed.text = help.str();
  } catch (const CLI::Error& e) {
    parsed.outcome = TParsedCommandLine::TOutcome::Usage;
    parsed.text = FirstLine(e.what()) + kHint;
  } catch (const EBadUsage& e) {
    parsed.outcome = TParsedCommandLine::TOutcome::Usage;
    parsed.text = e.what() + std::string(kHint);
  }
  return parsed;
}

}  // namespace vlmr
