// Writes a deterministic site of numbered pages for the site benchmark: each page opens with a
// link to the next numbered page (the last page links to the first, so every next page exists),
// then paragraphs of text with images and further links, CR LF line ends throughout.
//
// usage: make_site FOLDER PAGES PAGE_BYTES [many|one|dense|walk] [plain|dbcs]
//   many   the next link, an index link and a link in every paragraph (the default)
//   one    the next link alone: no question is needed to choose the next page
//   dense  as many, in paragraphs of about 120 bytes that each hold a link and an image: a tag
//          every 30 bytes or so, as dense as manuals made by documentation generators
//   walk   as many, laid out as the chapters of a manual: LINK elements in the head (contents,
//          prev and, but on every third page, next), a navigation bar "Next >>", "<< Prev",
//          "Index" (no Prev on the first page), a heading, then the paragraphs; the next page is
//          named by rel="next" or else by the one link whose text says Next
//   dbcs   paragraphs also hold Shift-JIS text and lead bytes right before markup
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum page_kind { many_links, one_link, dense_tags, manual_chapter };

struct page_writer {
    FILE* file;
    long long written;
};

void put(page_writer& w, const char* text)
{
    size_t n = std::strlen(text);
    std::fwrite(text, 1, n, w.file);
    w.written += static_cast<long long>(n);
}

// A small deterministic generator, so the same arguments always give the same bytes.
unsigned next_random(unsigned& state)
{
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
}

const char* const words[] = {"the",   "next",  "page",    "loads", "while", "you", "read",    "this",
                             "text",  "and",   "pictures", "of",   "a",     "long", "story",  "about",
                             "trains", "that", "run",     "every", "hour",  "from", "harbour", "hill"};
constexpr int word_count = sizeof words / sizeof words[0];

void page_name(char* out, int size, int number) { std::snprintf(out, static_cast<size_t>(size), "page%04d.html", number); }

void put_words(page_writer& w, unsigned& state, int count)
{
    for (int i = 0; i < count; ++i) {
        put(w, words[next_random(state) % word_count]);
        put(w, " ");
    }
}

// One paragraph: text, an image, formatting tags, and a link to another page unless one_link.
void put_paragraph(page_writer& w, unsigned& state, int page, int pages, int index, bool one_link, bool dbcs)
{
    char line[512];
    std::snprintf(line, sizeof line, "<p class=\"story\">Paragraph %d of page %d: ", index, page);
    put(w, line);
    put_words(w, state, 12);
    put(w, "<b>bold words</b> and <i>slanted ones</i>,\r\n");
    put_words(w, state, 10);
    if (dbcs) {
        // Shift-JIS text (some second bytes are 0x5C), and lead bytes that swallow a "<" or ">".
        put(w, "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\x81\x42 ");
        if (index % 7 == 3)
            put(w, "\x81<b>not a tag start</b> \x82>");
    }
    std::snprintf(line, sizeof line,
                  "<br>\r\n<img src=\"images/pic%02u.jpg\" width=\"320\" height=\"240\" alt=\"Picture %d\">\r\n",
                  next_random(state) % 60, index);
    put(w, line);
    put_words(w, state, 8);
    if (!one_link) {
        char name[64];
        page_name(name, sizeof name, static_cast<int>(next_random(state) % static_cast<unsigned>(pages)) + 1);
        std::snprintf(line, sizeof line, "<a href=\"%s\" title=\"another page\">see also</a>", name);
        put(w, line);
    } else {
        put(w, "<em>see the next page</em>");
    }
    put(w, ".</p>\r\n");
    if (index % 10 == 9) {
        std::snprintf(line, sizeof line, "<!-- end of section %d -->\r\n<hr size=\"1\">\r\n", index / 10);
        put(w, line);
    }
}

// One paragraph of a tag-dense page, about 120 bytes and four tags: words, a link to another
// page, words, an image (no end tag, as older generators write them), and a heading every ten.
void put_dense_paragraph(page_writer& w, unsigned& state, int pages, int index, bool dbcs)
{
    char line[512];
    if (index % 10 == 1) {
        std::snprintf(line, sizeof line, "<h3>Section %d</h3>\r\n", index / 10 + 1);
        put(w, line);
    }
    put(w, "<p>");
    put_words(w, state, 2 + static_cast<int>(next_random(state) % 4));
    char name[64];
    page_name(name, sizeof name, static_cast<int>(next_random(state) % static_cast<unsigned>(pages)) + 1);
    std::snprintf(line, sizeof line, "<a href=\"%s\">", name);
    put(w, line);
    put(w, words[next_random(state) % word_count]);
    for (int n = static_cast<int>(next_random(state) % 2); n > 0; --n) {
        put(w, " ");
        put(w, words[next_random(state) % word_count]);
    }
    put(w, "</a> ");
    if (dbcs)
        put(w, "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\x81\x42 ");
    put_words(w, state, 2 + static_cast<int>(next_random(state) % 4));
    std::snprintf(line, sizeof line, "<img src=\"images/pic%02u.jpg\" alt=\"\">", next_random(state) % 60);
    put(w, line);
    for (int n = 1 + static_cast<int>(next_random(state) % 3); n > 0; --n) {
        put(w, " ");
        put(w, words[next_random(state) % word_count]);
    }
    put(w, ".\r\n");
}

// The head and the navigation bar of a manual's chapter. The next chapter is named twice: by a
// LINK element marked rel="next" (left out on every third page, as generators that write none
// leave it out) and by the first link of the bar, whose text and title say Next. The bar's other
// links say Prev and Index, and the links in the text say neither, so the next page is the one
// that rel="next" names or else the one link that says Next; being the first link of every page,
// it is also the link a run over the pages in their order takes without a question.
void put_chapter_start(page_writer& w, int page, int pages, const char* next)
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
                  "<title>Chapter %d of %d</title>\r\n"
                  "<meta http-equiv=\"Content-Type\" content=\"text/html\">\r\n"
                  "<link rel=\"contents\" href=\"index.html\" title=\"Contents\">\r\n",
                  page, pages);
    put(w, line);
    char prev[64];
    page_name(prev, sizeof prev, page - 1);
    if (page > 1) {
        std::snprintf(line, sizeof line, "<link rel=\"prev\" href=\"%s\" title=\"Previous chapter\">\r\n", prev);
        put(w, line);
    }
    if (page % 3 != 0) {
        std::snprintf(line, sizeof line, "<link rel=\"next\" href=\"%s\" title=\"Next chapter\">\r\n", next);
        put(w, line);
    }
    put(w, "</head>\r\n<body bgcolor=\"#ffffff\" text=\"#000000\" link=\"#0000ee\" vlink=\"#551a8b\">\r\n");
    std::snprintf(line, sizeof line, "<div class=\"navigation\"><a href=\"%s\" title=\"Next chapter\">Next &gt;&gt;</a>",
                  next);
    put(w, line);
    if (page > 1) {
        std::snprintf(line, sizeof line, " | <a href=\"%s\" title=\"Previous chapter\">&lt;&lt; Prev</a>", prev);
        put(w, line);
    }
    std::snprintf(line, sizeof line, " | <a href=\"index.html\">Index</a></div>\r\n<hr>\r\n<h1>Chapter %d</h1>\r\n", page);
    put(w, line);
}

bool write_page(const char* folder, int page, int pages, long long page_bytes, page_kind kind, bool dbcs)
{
    char name[64];
    page_name(name, sizeof name, page);
    char path[4096];
    std::snprintf(path, sizeof path, "%s/%s", folder, name);
    page_writer w = {std::fopen(path, "wb"), 0};
    if (!w.file) {
        std::fprintf(stderr, "make_site: cannot create %s\n", path);
        return false;
    }
    unsigned state = static_cast<unsigned>(page) * 2654435761u;
    // The last page links the first; a site of one page links a small page of its own, next.html,
    // since no page is its own next page.
    char next[64];
    if (pages == 1)
        std::snprintf(next, sizeof next, "next.html");
    else
        page_name(next, sizeof next, page % pages + 1);
    if (kind == manual_chapter) {
        put_chapter_start(w, page, pages, next);
    } else {
        char line[512];
        std::snprintf(line, sizeof line,
                      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
                      "<title>Page %d of %d</title>\r\n"
                      "<meta http-equiv=\"Content-Type\" content=\"text/html\">\r\n</head>\r\n"
                      "<!-- page %d of the benchmark site -->\r\n"
                      "<body bgcolor=\"#ffffff\" text=\"#000000\" link=\"#0000ee\" vlink=\"#551a8b\">\r\n",
                      page, pages, page);
        put(w, line);
        if (kind == one_link)
            std::snprintf(line, sizeof line, "<p><a href=\"%s\">next page</a></p>\r\n", next);
        else
            std::snprintf(line, sizeof line,
                          "<p><a href=\"%s\">next page</a> | <a href=\"index.html\">index</a></p>\r\n", next);
        put(w, line);
    }
    static const char closing[] = "<p>The end of this page.</p>\r\n</body>\r\n</html>\r\n";
    long long room = page_bytes - static_cast<long long>(sizeof closing - 1);
    for (int index = 1; w.written < room; ++index) {
        if (kind == dense_tags)
            put_dense_paragraph(w, state, pages, index, dbcs);
        else
            put_paragraph(w, state, page, pages, index, kind == one_link, dbcs);
    }
    put(w, closing);
    bool ok = std::fclose(w.file) == 0;
    if (!ok)
        std::fprintf(stderr, "make_site: cannot write %s\n", path);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_site FOLDER PAGES PAGE_BYTES [many|one|dense|walk] [plain|dbcs]\n");
        return 2;
    }
    const char* folder = argv[1];
    int pages = std::atoi(argv[2]);
    long long page_bytes = std::atoll(argv[3]);
    page_kind kind = many_links;
    if (argc > 4 && std::strcmp(argv[4], "one") == 0)
        kind = one_link;
    else if (argc > 4 && std::strcmp(argv[4], "dense") == 0)
        kind = dense_tags;
    else if (argc > 4 && std::strcmp(argv[4], "walk") == 0)
        kind = manual_chapter;
    else if (argc > 4 && std::strcmp(argv[4], "many") != 0) {
        std::fprintf(stderr, "make_site: the links are many, one, dense or walk, not %s\n", argv[4]);
        return 2;
    }
    bool dbcs = argc > 5 && std::strcmp(argv[5], "dbcs") == 0;
    if (pages < 1 || pages > 9999 || page_bytes < 1) {
        std::fprintf(stderr, "make_site: PAGES must be 1-9999 and PAGE_BYTES positive\n");
        return 2;
    }
    for (int page = 1; page <= pages; ++page)
        if (!write_page(folder, page, pages, page_bytes, kind, dbcs))
            return 1;
    if (pages == 1) {
        char path[4096];
        std::snprintf(path, sizeof path, "%s/next.html", folder);
        FILE* next = std::fopen(path, "wb");
        if (!next || std::fputs("<html>\r\n<body>\r\n<img src=\"images/next.jpg\">\r\n</body>\r\n</html>\r\n", next) < 0 ||
            std::fclose(next) != 0) {
            std::fprintf(stderr, "make_site: cannot write %s\n", path);
            return 1;
        }
    }
    return 0;
}
