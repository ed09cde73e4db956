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

// The longest path the system's calls take, in bytes with the closing NUL: MAX_PATH for the ANSI
// calls of Windows, PATH_MAX on Linux.
#ifdef _WIN32
constexpr int longest_path = 260;
#else
constexpr int longest_path = 4096;
#endif

// Whether two file names that differ only in the case of their letters name one file.
#ifdef _WIN32
constexpr bool file_names_ignore_case = true;
#else
constexpr bool file_names_ignore_case = false;
#endif
