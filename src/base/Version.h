// The program's version: shown in the caption and compared with the remote configuration's.
#pragma once

namespace vlmr {

inline constexpr const char* CONFIG_VERSION = "1.5";

}  // namespace vlmr
