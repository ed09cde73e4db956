// Shared by the fuzz targets: a scratch folder per process on a memory file system, the selector
// byte with which every input begins, and checks that no byte of a page went missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The folder (ending in '/') in which a target writes its files; made on first use, removed at
// exit. One per process, so parallel fuzzing jobs never share a file.
const std::string& fuzz_folder();

void put_file(const std::string& path, const uint8_t* data, size_t size);
void put_file(const std::string& path, const std::string& bytes);
std::string get_file(const std::string& path);

// Takes the first byte of the input (0 for an empty input) and returns it. Its bit 0 selects the
// code page: set, 932 (Shift-JIS lead bytes); clear, none. The other bits are the target's own.
unsigned take_selector(const uint8_t*& data, size_t& size);

// True when small is big with some of its bytes left out, the rest in order.
bool is_subsequence(const std::string& small, const std::string& big);

// Stops the run with the message when a property does not hold (libFuzzer saves the input).
void require(bool holds, const char* message);
