// Shared fixture of the page-pass tests.
#include "tests/page_fixture.h"

#include "console/messages.h"
#include "console/text_screen.h"
#include "platform/dialog.h"
#include "tests/test_support.h"
#include "textio/streams.h"

#include <gtest/gtest.h>

#include <cstring>

static std::vector<int> answers;
static size_t next_answer;
static std::vector<recorded_box> boxes;
static std::string completed_rows;

static int scripted_box(void*, const char* text, const char* caption, unsigned flags)
{
    boxes.push_back({caption, text, flags});
    if (next_answer < answers.size())
        return answers[next_answer++];
    return (flags & 0xF) == box_yes_no ? answer_yes : answer_ok;
}

void script_answers(const std::vector<int>& script)
{
    answers = script;
    next_answer = 0;
    boxes.clear();
    set_message_box_function(scripted_box);
}

const std::vector<recorded_box>& recorded_boxes() { return boxes; }

static std::string trimmed(const unsigned char* row)
{
    int n = screen_columns;
    while (n > 0 && row[n - 1] == ' ')
        --n;
    return std::string(reinterpret_cast<const char*>(row), static_cast<size_t>(n));
}

static void on_row(const unsigned char* row) { completed_rows += trimmed(row) + "\n"; }

static const screen_front_end recording_front_end = {nullptr, on_row};

void screen_text_reset()
{
    static int window;
    screen_init(&window, &recording_front_end);
    completed_rows.clear();
}

std::string screen_text()
{
    return completed_rows + trimmed(screen_buffer + (top_line + cursor_row) * screen_columns);
}

std::string run_pass(const std::string& input, void (*pass)())
{
    std::string folder = make_scratch("pass");
    write_file(folder + "in.html", input);
    if (in_open((folder + "in.html").c_str()) != 0 || out_open((folder + "out.html").c_str()) != 0) {
        // An empty output would pass for a pass that wrote nothing: say what went wrong instead.
        in_close();
        ADD_FAILURE() << "run_pass: cannot open the files in " << folder;
        return "<run_pass could not open its files>";
    }
    pass();
    out_close();
    in_close();
    std::string output = read_file(folder + "out.html");
    clear_scratch(folder);
    return output;
}
