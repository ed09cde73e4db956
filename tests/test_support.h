// Helpers of the unit tests: scratch folders and files, and the double-byte code page.
#pragma once

#include <string>

// A fresh empty folder for one test, removed again by clear_scratch. Ends in the separator. It lies
// in a folder of this process's own, so tests of other processes never meet it.
std::string make_scratch(const char* name);
void clear_scratch(const std::string& folder);

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

// Code page 932 for the double-byte tests: the system's own lead-byte test where the system runs
// under 932 (Wine with a Japanese locale), else the built-in table. use_single_byte selects none.
void use_code_page_932();
void use_single_byte();
