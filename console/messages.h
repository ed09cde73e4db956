// The message boxes' texts in English and Japanese, and showing them in the user's language.
#pragma once

// One box: caption and text (a printf format with up to two %s) in both languages. The Japanese
// ones are Shift-JIS bytes; their readable form stands beside them for the reader and the tests.
struct message_text {
    const char* caption;
    const char* text;
    const char* caption_japanese;
    const char* text_japanese;
    const char* caption_japanese_readable;
    const char* text_japanese_readable;
};

extern const message_text text_file_set_broken;
extern const message_text text_select_question;
extern const message_text text_not_found;
extern const message_text text_no_next_page;
extern const message_text text_already_set;
extern const message_text text_already_removed;

// The window that owns the message boxes: the console window, once it exists.
extern void* message_owner;

// Formats the text in the user's language (Japanese when the language identifier is 1041) with
// the arguments and shows it owned by message_owner. Returns the answer (dialog.h).
int show_message(const message_text& message, const char* arg1, const char* arg2, unsigned flags);

// Where show_message sends its boxes: the system's message box, or a stand-in that tests install
// to see the texts and give the answers (null restores the system's).
using message_box_function = int (*)(void* owner, const char* text, const char* caption, unsigned flags);
void set_message_box_function(message_box_function function);

// The formatted text and caption that show_message would show, for tests and logs.
void format_message(char* text_out, int text_size, char* caption_out, int caption_size, const message_text& message,
                    const char* arg1, const char* arg2);
