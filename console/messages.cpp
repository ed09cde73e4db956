// Message-box texts. The Japanese texts are kept as Shift-JIS bytes, as the Windows programs hand
// them to the system; the native build converts them to the terminal's codeset.
#include "console/messages.h"

#include "platform/dialog.h"
#include "platform/language.h"

#include <cstdio>

// clang-format off
const message_text text_file_set_broken = {
    "AddNextpics : error ",
    "File Set Broken. Download new Nextpics files.",
    "AddNextpics : \x83""G\x83\x89\x81""[",
    "\x83""t\x83""@\x83""C\x83\x8B\x83""Z\x83""b\x83""g\x82\xAA\x89\xF3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7"". "
    "\x90""V\x82\xB5\x82\xA2"" Nextpics \x82\xF0\x83""_\x83""E\x83\x93\x83\x8D\x81""[\x83""h\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2"".",
    "AddNextpics : エラー",
    "ファイルセットが壊れています. 新しい Nextpics をダウンロードしてください.",
};

const message_text text_select_question = {
    "AddNextpics : next page select ",
    "Now setting: %s \r\nIs the next: %s ?",
    "AddNextpics : \x8E""Q\x8F\xC6\x90\xE6\x82\xCC\x91""I\x91\xF0",
    "\x8C\xBB\x8D\xDD\x82\xCC\x83""y\x81""[\x83""W\x82\xCD"": %s \x82\xC5\x82\xB7""\r\n"
    "\x81""@\x8E\x9F\x82\xCC\x83""y\x81""[\x83""W\x82\xCD"": %s \x82\xC5\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7"
    "\x82\xA9""?",
    "AddNextpics : 参照先の選択",
    "現在のページは: %s です\r\n　次のページは: %s でよろしいですか?",
};

const message_text text_not_found = {
    "AddNextpics : next page referring error ",
    "Not found: %s file.",
    "AddNextpics : \x8E""Q\x8F\xC6\x90\xE6\x83""G\x83\x89\x81""[",
    "\x8E\x9F\x83""y\x81""[\x83""W: %s \x82\xCC\x83""t\x83""@\x83""C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8"
    "\x82\xDC\x82\xB9\x82\xF1"".",
    "AddNextpics : 参照先エラー",
    "次ページ: %s のファイルが見つかりません.",
};

const message_text text_no_next_page = {
    "AddNextpics : next page referring error ",
    "Next page file not found.",
    "AddNextpics : \x8E""Q\x8F\xC6\x90\xE6\x83""G\x83\x89\x81""[",
    "\x8E\x9F\x83""y\x81""[\x83""W\x82\xCC\x83""t\x83""@\x83""C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC"
    "\x82\xB9\x82\xF1"".",
    "AddNextpics : 参照先エラー",
    "次ページのファイルが見つかりません.",
};

const message_text text_already_set = {
    "AddNextpics",
    "%s : Nextpics already set.",
    "AddNextpics",
    "%s \x82\xCD\x83""l\x83""N\x83""X\x83""g\x83""s\x83""N\x83""X\x90\xDD\x92""u\x8D\xCF\x82\xDD\x82\xC5\x82\xB7"".",
    "AddNextpics",
    "%s はネクストピクス設置済みです.",
};

const message_text text_already_removed = {
    "delNextpics",
    "%s : Nextpics already removed.",
    "delNextpics",
    "%s \x82\xCD\x83""l\x83""N\x83""X\x83""g\x83""s\x83""N\x83""X\x8D\xED\x8F\x9C\x8D\xCF\x82\xDD\x82\xC5\x82\xB7"".",
    "delNextpics",
    "%s はネクストピクス削除済みです.",
};
// clang-format on

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

void format_message(char* text_out, int text_size, char* caption_out, int caption_size, const message_text& message,
                    const char* arg1, const char* arg2)
{
    bool japanese = user_language_id() == 1041;
    char format[512];
    if (japanese) {
        text_from_shift_jis(format, sizeof format, message.text_japanese);
        text_from_shift_jis(caption_out, caption_size, message.caption_japanese);
    } else {
        std::snprintf(format, sizeof format, "%s", message.text);
        std::snprintf(caption_out, static_cast<size_t>(caption_size), "%s", message.caption);
    }
    std::snprintf(text_out, static_cast<size_t>(text_size), format, arg1 ? arg1 : "", arg2 ? arg2 : "");
}

#pragma GCC diagnostic pop

void* message_owner;

static message_box_function box_function = message_box;

void set_message_box_function(message_box_function function) { box_function = function ? function : message_box; }

int show_message(const message_text& message, const char* arg1, const char* arg2, unsigned flags)
{
    char text[1024];
    char caption[256];
    format_message(text, sizeof text, caption, sizeof caption, message, arg1, arg2);
    return box_function(message_owner, text, caption, flags);
}
