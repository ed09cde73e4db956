// Fuzz target of the round trip: a page prepared by rewrite_page and taken back by restore_pass.
//
// Property. Let P be a page that contains none of the following:
//   - the letters onload in any case (the page's own onLoad attribute would be taken out too);
//   - "<!-- Nex" (a comment that begins like the insertion marker);
//   - "<applet code=" followed by a quote and the letters nex in any case (taken for our applet);
//   - "<script" (any case) directly followed by "<" or at the very end of the page: the line break
//     that the rewriter writes ahead of an insertion there turns it into a script start tag, whose
//     text the restorer leaves alone;
//   - a lead byte of the code page as its last byte (what the rewriter appends to a tag that the
//     page ends inside would pair with it);
//   - a "<body" or "</body" (any case) with another "<" before its ">" (a ">" right after a lead
//     byte may be a second byte and does not count): the rewriter takes all up to the ">" for the
//     tag, the restorer sees the markup in between.
// Prepare P with empty insert blocks (their texts are not taken out again) and restore it, giving
// R. Then R is P with these differences only:
//   - a CR LF before the "<" of a "<body" or "</body" (letters in any case), where the rewriter
//     put its line break ahead of an insertion; never where the text before already ends in
//     CR LF CR LF;
//   - one ">" at the very end, which closes a BODY tag that the page ends inside;
//   - a CR LF at the very end (after that ">"), ahead of the applet element that a page with a
//     BODY start tag and without a BODY end tag gets at its end.
// And whenever the rewriter put its insertion marker into the page, test_inserted reports the
// prepared page as prepared by us (123), so delNextpics will work on it.
// Selector bit 2 empties the image and stream tables.
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "platform/dbcs.h"
#include "remove/page_restorer.h"
#include "tests/fuzz/fuzz_support.h"
#include "textio/paths.h"
#include "textio/streams.h"

#include <algorithm>
#include <cctype>

static std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// True when another "<" comes before the ">" that ends the tag at start.
static bool markup_inside_tag(const std::string& page, size_t start)
{
    for (size_t k = start + 1; k < page.size(); ++k) {
        if (page[k] == '<')
            return true;
        if (page[k] == '>' && !is_lead_byte(static_cast<unsigned char>(page[k - 1])))
            return false;
    }
    return false;
}

static bool outside_the_property(const std::string& page)
{
    if (!page.empty() && is_lead_byte(static_cast<unsigned char>(page.back())))
        return true;
    std::string folded = lower(page);
    if (folded.find("onload") != std::string::npos || page.find("<!-- Nex") != std::string::npos)
        return true;
    for (size_t at = folded.find("<script"); at != std::string::npos; at = folded.find("<script", at + 1))
        if (at + 7 == folded.size() || folded[at + 7] == '<')
            return true;
    for (const char* tag : {"<body", "</body"})
        for (size_t at = folded.find(tag); at != std::string::npos; at = folded.find(tag, at + 1))
            if (markup_inside_tag(page, at))
                return true;
    for (size_t at = folded.find("<applet code="); at != std::string::npos; at = folded.find("<applet code=", at + 1)) {
        std::string after = folded.substr(at + 13, 4);
        if (after == "\"nex" || after == "'nex")
            return true;
    }
    return false;
}

static bool body_tag_at(const std::string& page, size_t i)
{
    std::string folded = lower(page.substr(i, 6));
    return folded.compare(0, 5, "<body") == 0 || folded == "</body";
}

// R against P as the property above allows.
static bool restored_as_allowed(const std::string& page, const std::string& restored)
{
    size_t i = 0;
    size_t j = 0;
    while (i < page.size()) {
        if (j < restored.size() && page[i] == restored[j]) {
            ++i;
            ++j;
        } else if (restored.compare(j, 2, "\r\n") == 0 && body_tag_at(page, i) &&
                   !(j >= 4 && restored.compare(j - 4, 4, "\r\n\r\n") == 0)) {
            j += 2;
        } else {
            return false;
        }
    }
    std::string rest = restored.substr(j);
    return rest.empty() || rest == ">" || rest == "\r\n" || rest == ">\r\n";
}

static void run(void (*pass)(), const std::string& from, const std::string& to)
{
    require(in_open(from.c_str()) == 0, "cannot open the input");
    require(out_open(to.c_str()) == 0, "cannot open the output");
    pass();
    require(out_close() == 0, "write failed");
    in_close();
}

// The rewrite's inputs: a fixed next page with what it holds, and empty insert blocks.
static next_page_choice next;
static next_page_contents contents;
static insert_blocks blocks;

static void rewrite() { rewrite_page(next, contents, blocks); }

static void restore() { require(restore_pass() == 0, "an applet element of ours has no end"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned selector = take_selector(data, size);
    std::string page(reinterpret_cast<const char*>(data), size);
    if (outside_the_property(page))
        return -1;  // not added to the corpus

    copy_text(next.link, path_size, "p2/next.htm");
    copy_text(next.link_dir, path_size, "p2/");
    const bool empty_tables = (selector & 4) != 0;
    contents.image_count = empty_tables ? 0 : 2;
    contents.stream_count = empty_tables ? 0 : 1;
    copy_text(contents.images[0], value_size, "a.gif");
    copy_text(contents.images[1], value_size, "http://host/b.gif");
    copy_text(contents.streams[0], value_size, "s.mid");

    const std::string& folder = fuzz_folder();
    const std::string original = folder + "original.html";
    const std::string prepared = folder + "prepared.html";
    const std::string restored = folder + "restored.html";
    // The line-break rule looks at the last four bytes written, also those of the file before:
    // start from text that is no empty line.
    require(out_open(restored.c_str()) == 0, "cannot open the output");
    out_puts("text");
    out_close();

    put_file(original, page);
    run(rewrite, original, prepared);
    run(restore, prepared, restored);

    require(restored_as_allowed(page, get_file(restored)), "the restored page differs from the original");
    if (get_file(prepared).find("<!-- Nextpics insert -->") != std::string::npos)
        require(test_inserted(prepared.c_str()) == 123, "a prepared page is not recognised");
    return 0;
}
