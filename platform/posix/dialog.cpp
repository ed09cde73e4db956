// dialog.cpp: POSIX implementation of the interface defined in dialog.h. A message box is written
// to standard error and answered by one line of standard input.
#include "platform/dialog.h"

#include "platform/bounded_copy.h"

#include "platform/language.h"
#include "platform/terminal.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>

// Converts text from one encoding to the locale's codeset; false when it cannot be done whole.
static bool convert_to_codeset(char* out, int size, const char* text, const char* from)
{
    out[0] = '\0';
    const char* codeset = nl_langinfo(CODESET);
    iconv_t convert = codeset && *codeset ? iconv_open(codeset, from) : reinterpret_cast<iconv_t>(-1);
    if (convert == reinterpret_cast<iconv_t>(-1))
        return false;
    char* in = const_cast<char*>(text);
    size_t in_left = std::strlen(text);
    char* to = out;
    size_t out_left = static_cast<size_t>(size - 1);
    size_t r = iconv(convert, &in, &in_left, &to, &out_left);
    iconv_close(convert);
    if (r == static_cast<size_t>(-1) || in_left != 0)
        return false;
    *to = '\0';
    return true;
}

// The texts a terminal user sees around a box, in English and Japanese (UTF-8 here, written in the
// locale's codeset). The letters that answer stay the same in both.
struct box_words {
    const char* yes;
    const char* no;
    const char* ok;
    const char* cancel;
    const char* or_word;        // between the letters a box takes
    const char* retry;          // on a terminal: the answer did not fit; then the letters
    const char* retry_default;  // ... then the button that an empty line takes
    const char* refused;        // from a pipe or a file: the answer did not fit; then the letters
    const char* refused_end;
    const char* empty_line;     // how the answer taken was given, when no letter gave it
    const char* end_of_input;
};

static const box_words english = {
    "Yes", "No", "OK", "Cancel", " or ",
    " is not an answer here: type ", " (an empty line is ",
    " is not an answer here: this question takes ", ". The run stops.",
    " (empty line)", " (end of input)",
};

static const box_words japanese = {
    "はい", "いいえ", "OK", "キャンセル", " か ",
    " は答えになりません: 入力は ", " (空行は ",
    " は答えになりません: この質問の答えは ", ". 実行を中止します.",
    " (空行)", " (入力の終わり)",
};

// A box being composed in one buffer, so that it goes out in one write: standard error has no
// buffer, and a batch may ask a question for every page.
struct composed {
    char text[8192];
    int used;
};

// Appends text, bounded by the buffer. The texts use CR LF as their line break; a terminal wants
// LF alone.
static void add(composed& box, const char* text)
{
    for (const char* p = text; *p && box.used < static_cast<int>(sizeof box.text) - 1; ++p)
        if (*p != '\r')
            box.text[box.used++] = *p;
    box.text[box.used] = '\0';
}

// Appends one of the words: the Japanese ones in the locale's codeset.
static void add_word(composed& box, const char* word, bool in_japanese)
{
    char converted[512];
    add(box, in_japanese && convert_to_codeset(converted, sizeof converted, word, "UTF-8") ? converted : word);
}

static void send(composed& box)
{
    std::fwrite(box.text, 1, static_cast<size_t>(box.used), stderr);
    std::fflush(stderr);
    box.used = 0;
    box.text[0] = '\0';
}

// The buttons of a box: the first is the default and its letter is shown in capitals.
struct box_buttons {
    int count;
    int answers[2];
    char letters[2];
};

static box_buttons buttons_of(unsigned flags)
{
    switch (flags & 0xF) {
    case box_yes_no:
        return {2, {answer_yes, answer_no}, {'y', 'n'}};
    case box_ok_cancel:
        return {2, {answer_ok, answer_cancel}, {'o', 'c'}};
    default:
        return {1, {answer_ok, answer_ok}, {'o', 'o'}};
    }
}

static const char* button_name(const box_words& words, int answer)
{
    switch (answer) {
    case answer_yes:
        return words.yes;
    case answer_no:
        return words.no;
    case answer_cancel:
        return words.cancel;
    default:
        return words.ok;
    }
}

// "y or n", "o or c", "o".
static void add_letters(composed& box, const box_buttons& buttons, const box_words& words, bool in_japanese)
{
    for (int i = 0; i < buttons.count; ++i) {
        if (i > 0)
            add_word(box, words.or_word, in_japanese);
        char letter[2] = {buttons.letters[i], '\0'};
        add(box, letter);
    }
}

// "Yes / No [Y/n] ? ": the buttons, then their letters with the default in capitals.
static void add_prompt(composed& box, const box_buttons& buttons, const box_words& words, bool in_japanese)
{
    for (int i = 0; i < buttons.count; ++i) {
        if (i > 0)
            add(box, " / ");
        add_word(box, button_name(words, buttons.answers[i]), in_japanese);
    }
    char hint[8] = {' ', '[', static_cast<char>(std::toupper(buttons.letters[0])), '\0'};
    add(box, hint);
    if (buttons.count > 1) {
        char second[3] = {'/', buttons.letters[1], '\0'};
        add(box, second);
    }
    add(box, "] ? ");
}

static void add_quoted(composed& box, const char* line)
{
    add(box, "\"");
    add(box, line);
    add(box, "\"");
}

// The terminal's input ended while a box waited: the boxes after it answer themselves.
static bool input_over;

bool answers_can_come() { return terminal_is_interactive() && !input_over; }

int message_box(void*, const char* text, const char* caption, unsigned flags)
{
    // An interrupt answers nothing, also one that came before the question.
    if (terminal_close_signal() != 0)
        return answer_none;
    bool in_japanese = user_language_id() == 1041;
    const box_words& words = in_japanese ? japanese : english;
    box_buttons buttons = buttons_of(flags);
    bool from_terminal = terminal_is_interactive();

    std::fflush(stdout);
    terminal_line_mode(true);
    static composed box;
    for (const char* part : {"\n[", caption, "]\n", text, "\n"})
        add(box, part);
    add_prompt(box, buttons, words, in_japanese);
    send(box);

    int answer = answer_none;
    const char* how = "";
    for (;;) {
        char line[256];
        line_read got = terminal_read_line(line, sizeof line);
        if (got == line_interrupted)
            break;
        if (got == line_end_of_input) {
            input_over = true;
            answer = buttons.answers[0];
            how = words.end_of_input;
            break;
        }
        int length = static_cast<int>(std::strlen(line));
        if (length > 0 && line[length - 1] == '\r')
            line[length - 1] = '\0';
        const char* p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        int c = std::tolower(static_cast<unsigned char>(*p));
        if (c == '\0') {
            answer = buttons.answers[0];
            how = words.empty_line;
            break;
        }
        for (int i = 0; i < buttons.count && answer == answer_none; ++i)
            if (c == buttons.letters[i])
                answer = buttons.answers[i];
        if (answer != answer_none)
            break;
        // An answer that fits no button: a person at the terminal is asked again; a pipe or a file
        // would give the same line again and again, so the run stops there.
        add_quoted(box, line);
        add_word(box, from_terminal ? words.retry : words.refused, in_japanese);
        add_letters(box, buttons, words, in_japanese);
        if (!from_terminal) {
            add_word(box, words.refused_end, in_japanese);
            add(box, "\n");
            send(box);
            break;
        }
        add_word(box, words.retry_default, in_japanese);
        add_word(box, button_name(words, buttons.answers[0]), in_japanese);
        add(box, ").\n");
        add_prompt(box, buttons, words, in_japanese);
        send(box);
    }
    if (answer == answer_none) {
        if (terminal_close_signal() != 0)
            add(box, "\n");
    } else if (!from_terminal) {
        // Read from a pipe or a file, the answer does not show: say what was taken, so that a log
        // of the run shows what was decided.
        add(box, "-> ");
        add_word(box, button_name(words, answer), in_japanese);
        add_word(box, how, in_japanese);
        add(box, "\n");
    } else if (how == words.end_of_input) {
        add(box, "\n");  // the end of input typed at the terminal leaves the cursor after the prompt
    }
    send(box);
    terminal_line_mode(false);
    return answer;
}

void text_from_shift_jis(char* out, int size, const char* text)
{
    if (convert_to_codeset(out, size, text, "CP932"))
        return;
    // No converter, or the text does not fit: keep the bytes as they are.
    copy_bounded(out, size, text);
}
