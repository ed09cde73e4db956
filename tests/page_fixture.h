// Shared fixture of the page-pass tests: a scratch folder, message boxes answered from a script,
// and running one pass from a text to a text.
#pragma once

#include <string>
#include <vector>

// Message boxes shown through show_message: each is recorded, and answered with the next answer
// of the script (answer_ok / answer_yes ... from platform/dialog.h), or the first button when the
// script is used up.
struct recorded_box {
    std::string caption;
    std::string text;
    unsigned flags;
};
void script_answers(const std::vector<int>& answers);
const std::vector<recorded_box>& recorded_boxes();

// Everything printed on the text screen since the last call of screen_text_reset, rows joined by
// "\n" with trailing blanks removed, including the current unfinished row.
void screen_text_reset();
std::string screen_text();

// Writes input to a scratch file, runs pass (reading the input stream, writing the output stream)
// and returns what it wrote.
std::string run_pass(const std::string& input, void (*pass)());
