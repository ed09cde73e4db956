// Tests of the message texts: the Shift-JIS bytes say what their readable form says, the user's
// language picks the text, and the boxes reach the installed box function.
#include "console/messages.h"

#include "platform/dialog.h"
#include "platform/language.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

const message_text* const all_texts[] = {&text_file_set_broken, &text_select_question, &text_not_found,
                                         &text_no_next_page,    &text_already_set,     &text_already_removed};

#ifndef _WIN32
std::string utf8_from_cp932(const char* text)
{
    iconv_t convert = iconv_open("UTF-8", "CP932");
    EXPECT_NE(convert, reinterpret_cast<iconv_t>(-1));
    char out[1024];
    char* in = const_cast<char*>(text);
    size_t in_left = std::strlen(text);
    char* to = out;
    size_t out_left = sizeof out;
    EXPECT_NE(iconv(convert, &in, &in_left, &to, &out_left), static_cast<size_t>(-1)) << text;
    iconv_close(convert);
    return std::string(out, static_cast<size_t>(to - out));
}

TEST(messages, JapaneseBytesMatchTheirReadableForm)
{
    for (const message_text* m : all_texts) {
        EXPECT_EQ(utf8_from_cp932(m->caption_japanese), m->caption_japanese_readable);
        EXPECT_EQ(utf8_from_cp932(m->text_japanese), m->text_japanese_readable);
    }
}
#endif

// format_message's text (cut to text_size) and caption.
std::pair<std::string, std::string> format(const message_text& m, const char* arg1, const char* arg2,
                                           int text_size = 1024)
{
    char text[1024];
    char caption[256];
    format_message(text, text_size, caption, sizeof caption, m, arg1, arg2);
    return {text, caption};
}

TEST(messages, TheLanguage1041PicksTheJapaneseTexts)
{
    select_language_id(1033);
    EXPECT_EQ(format(text_select_question, "a.html", "b.html"),
              std::make_pair(std::string("Now setting: a.html \r\nIs the next: b.html ?"),
                             std::string("AddNextpics : next page select ")));
    EXPECT_EQ(format(text_already_set, nullptr, nullptr).first, " : Nextpics already set.");
    EXPECT_EQ(format(text_not_found, "x.html", nullptr, 12).first, "Not found: ");

    select_language_id(1041);
    for (const message_text* m : all_texts) {
        char caption[256];
        text_from_shift_jis(caption, sizeof caption, m->caption_japanese);
        EXPECT_EQ(format(*m, "", "").second, caption);
    }
    char japanese[256];
    text_from_shift_jis(japanese, sizeof japanese, "\x82\xCD\x83""l\x83""N\x83""X\x83""g");  // "はネクスト"
    EXPECT_EQ(format(text_already_set, "p.html", nullptr).first.rfind(std::string("p.html ") + japanese, 0), 0u);
    select_language_id(0);
}

std::string seen;
int answer_no_box(void* owner, const char* text, const char* caption, unsigned flags)
{
    seen = std::string(owner == message_owner ? "owned|" : "") + caption + "|" + std::to_string(flags) + "|" + text;
    return answer_no;
}

TEST(messages, BoxesGoToTheInstalledBoxFunction)
{
    int owner;
    message_owner = &owner;
    select_language_id(1033);
    set_message_box_function(answer_no_box);
    std::string long_name(2000, 'n');
    EXPECT_EQ(show_message(text_select_question, "a.html", long_name.c_str(), box_yes_no | box_topmost), answer_no);
    std::string expected = "owned|AddNextpics : next page select |262148|Now setting: a.html \r\nIs the next: ";
    EXPECT_EQ(seen, expected + std::string(1023 - 35, 'n'));  // bounded by the 1024-byte text buffer
    set_message_box_function(nullptr);
    select_language_id(0);
    message_owner = nullptr;
}

}  // namespace
