// Directory separators. addNextpics accepts every separator of the system; delNextpics only the
// system's own (on Windows the back slash alone, as it always has).
#pragma once

#ifdef _WIN32
constexpr const char* any_separators = "\\/";
constexpr const char* own_separators = "\\";
#else
constexpr const char* any_separators = "/";
constexpr const char* own_separators = "/";
#endif
