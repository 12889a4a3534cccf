#include "support/VerifyPages.h"

#include <string>

#include "engine/records/EngineSettings.h"

namespace vlmr::test {
namespace {

TPage VerifyPage(const std::string& title) {
  return TPage::Html(
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
      "</title></head>\n<body><div class=\"verify\">为了您的正常访问，请完成验证"
      "<a href=\"http://www.verify-help.com/faq.html\">帮助</a></div></body></html>\n");
}

}  // namespace

void AddVerificationSites(TSimulatedWeb& web) {
  web.AddHost(BaiduVerifyHost, VerifyPage(BaiduVerifyTitle));
  web.AddPage(SogouSearchHost, SogouVerifyPath, VerifyPage("搜狗搜索"));
  web.AddHost(Search360VerifyHost, VerifyPage(Search360VerifyTitle));
}

TPage VerificationAnswer(TSearchEngine engine, TVerifyForm form) {
  switch (engine) {
    case TSearchEngine::Baidu:
      if (form == TVerifyForm::Page)
        return VerifyPage(BaiduVerifyTitle);
      return TPage::Redirect(std::string("http://") + BaiduVerifyHost +
                             "/static/captcha/tuxing.html?ak=sim&backurl=%2Fs%3Fwd%3Dx");
    case TSearchEngine::Sogou:
      if (form == TVerifyForm::RedirectToError)
        return TPage::Redirect(std::string("http://") + SogouSearchHost + SogouVerifyPath +
                               "util/gone.php");
      return TPage::Redirect(std::string("http://") + SogouSearchHost + SogouVerifyPath +
                             "?from=%2Fweb%3Fquery%3Dx");
    case TSearchEngine::So360:
      if (form == TVerifyForm::Page)
        return VerifyPage(Search360VerifyTitle);
      return TPage::Redirect(std::string("http://") + Search360VerifyHost + "/?ret=%2Fs");
  }
  return {};
}

}  // namespace vlmr::test
