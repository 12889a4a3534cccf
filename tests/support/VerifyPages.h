// The engines' verification pages for the simulated web: what each engine answers a client it
// distrusts instead of its results. Baidu redirects to its verification host or answers a page
// titled "百度安全验证"; Sogou redirects to its /antispider/ path; 360 answers its own page or
// redirects to its verification host. Each page also links off the engine, as a result would.
#pragma once

#include "support/EngineSites.h"
#include "support/SimulatedWeb.h"

namespace vlmr::test {

enum class TVerifyForm {
  Redirect,
  Page,
  RedirectToError,  // Sogou: the redirect leads to an /antispider/ address that answers 404
};

// Serves the pages the redirects lead to (on the engines' hosts too: add after TEngineSites).
void AddVerificationSites(TSimulatedWeb& web);

// The answer of `engine` to a result-page request it will not serve. Sogou has only the
// redirects; the others answer RedirectToError as Redirect.
TPage VerificationAnswer(TSearchEngine engine, TVerifyForm form);

}  // namespace vlmr::test
