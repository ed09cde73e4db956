// Telling UTF-8 pages from pages in the system's code page.
#include "textio/page_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool utf8(const std::string& page)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(page.data());
    return page_is_utf8(p, p + page.size());
}

TEST(page_charset, UTF8PagesAreToldFromShiftJISOnes)
{
    const struct {
        std::string page;
        bool utf8;
    } cases[] = {
        {"\xEF\xBB\xBF<html>", true},                                   // byte-order mark
        {"<p>\xE3\x81\x82<a href=p2.html>", true},                      // valid, with a character of three bytes
        {"\xE5\xAD\x97<body>", true},
        {"<p>\x82\xA0<a href=p2.html>", false},                         // Shift-JIS
        {"plain ASCII <body>", false},                                  // nothing to tell: pairs do no harm
        {"<META CHARSET=UTF8><p>\x82\xA0", true},                       // declared, whatever the bytes
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\x82<", true},
        {"<meta charset='Shift_JIS'>\xE3\x81\x82", false},              // declared otherwise
        {"<!-- <meta charset=utf-8> --><p>\x82\xA0", false},            // in a comment
        {"<body><meta charset=utf-8>\x82\xA0", false},                  // after the BODY start tag
        {"<metacharset=utf-8>\x82\xA0", false},                         // no meta element
        {"\xC0\xAF", false},                                            // overlong
        {"\xED\xA0\x80", false},                                        // a surrogate
        {"\xF4\x90\x80\x80", false},                                    // beyond U+10FFFF
        {"abc\xE3\x81", true},                                          // a character cut at the end
        {std::string(65536, 'a') + "\x82<", false},                     // only the first 64 KB count
        {std::string(65535, 'a') + "\xE3\x81\x82", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8(c.page), c.utf8) << c.page.substr(0, 80);
}

}  // namespace
