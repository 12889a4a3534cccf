// Which fields an export writes. The column order is fixed whatever the choice: company,
// mobile, QQ, e-mail, address, web address, WeChat.
#pragma once

namespace vlmr {

struct TExportFields {
  bool company = false;
  bool qq = false;
  bool mobile = false;
  bool email = false;
  bool address = false;
  bool webUrl = false;
  bool wechat = false;
};

}  // namespace vlmr
