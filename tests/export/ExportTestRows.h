// Company records for the export tests, written as a table: name, mobiles, QQ numbers,
// e-mail addresses, web address, address (UTF-8 here, GBK in the records); and field choices
// as letters (c company, m mobile, q QQ, e e-mail, a address, w web address).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/records/KeyUnit.h"
#include "export/ExportFields.h"
#include "support/TestText.h"

namespace vlmr::test {

struct TCompanyRow {
  const char* name;
  std::vector<const char*> mobiles;
  std::vector<const char*> qqs;
  std::vector<const char*> emails;
  const char* url = "";
  const char* address = "";
  std::vector<const char*> wechats = {};
};

inline std::vector<std::shared_ptr<TComPanyInfo>> Companies(const std::vector<TCompanyRow>& rows) {
  std::vector<std::shared_ptr<TComPanyInfo>> out;
  for (const auto& row : rows) {
    auto company = std::make_shared<TComPanyInfo>();
    company->SetComName(G(row.name));
    for (const char* m : row.mobiles)
      company->AddMobile(G(m));
    for (const char* q : row.qqs)
      company->AddQQ(G(q));
    for (const char* e : row.emails)
      company->AddEmail(G(e));
    company->webUrl = G(row.url);
    company->address = G(row.address);
    for (const char* w : row.wechats)
      company->AddWeChat(G(w));
    company->AddTel("020-12345678");  // landlines are never exported
    out.push_back(std::move(company));
  }
  return out;
}

inline TExportFields Fields(const std::string& letters) {
  TExportFields f;
  f.company = letters.find('c') != std::string::npos;
  f.mobile = letters.find('m') != std::string::npos;
  f.qq = letters.find('q') != std::string::npos;
  f.email = letters.find('e') != std::string::npos;
  f.address = letters.find('a') != std::string::npos;
  f.webUrl = letters.find('w') != std::string::npos;
  f.wechat = letters.find('x') != std::string::npos;
  return f;
}

}  // namespace vlmr::test
