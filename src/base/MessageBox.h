// The program's message boxes. Every box goes through ShowMessageBox, which hands it to the
// installed service: the GUI installs one that shows a real box on the UI thread (from any
// thread, waiting for the answer); tests install one with preset answers.
#pragma once

#include <memory>
#include <string>

namespace vlmr {

enum TMessageKind : int {
  MB_KIND_INFORMATION = 1,
  MB_KIND_WARNING = 2,
  MB_KIND_ERROR = 3,
  MB_KIND_QUESTION = 4,  // OK and Cancel
};

inline constexpr int MB_RESULT_OK = 1;
inline constexpr int MB_RESULT_CANCEL = 2;

class TMessageBoxService {
 public:
  virtual ~TMessageBoxService() = default;
  // Shows one box (texts in GBK) of kind 1..4 and returns the button: 1 OK, 2 Cancel.
  virtual int Show(const std::string& text, const std::string& caption, int kind) = 0;
};

void InstallMessageBoxService(std::shared_ptr<TMessageBoxService> service);

// Kinds 1 to 3 return 0; kind 4 returns 1 (OK) or 2 (Cancel; also when the box is closed, and
// when no service is installed). Any other kind shows nothing and returns 0. Callers take every
// answer other than 2 as consent.
int ShowMessageBox(const std::string& text, const std::string& caption, int kind);

// The caption every box of the program uses: "提示" (GBK).
const std::string& MessageCaption();

}  // namespace vlmr
