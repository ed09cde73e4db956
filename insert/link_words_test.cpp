// Tests of what a link's words say of where it leads.
#include "insert/link_words.h"

#include <gtest/gtest.h>

namespace {

TEST(link_words, WordsArrowsAndPicturesThatLeadOnOrBack)
{
    struct row {
        const char* label;  // fields ended by line feeds, as the link collector gathers them
        link_says says;
    };
    const row rows[] = {
        {"Next &gt;&gt;\n", says_next},
        {"NEXT page\n", says_next},
        {"Forward\n", says_next},
        {"&raquo;\n", says_next},
        {" &#187; &gt;\n", says_next},
        {"\xE2\x86\x92\n", says_next},               // →
        {"\xE2\x96\xB6\n", says_next},               // ▶
        {"\n\nnext\n", says_next},                   // class="next" of a link without text
        {"\nNext\n", says_next},                     // alt="Next" of its picture
        {"[Next]\n", says_next},
        {"\xE6\xAC\xA1\xE3\x81\xB8\n", says_next},   // 次へ, UTF-8
        {"\x8E\x9F\x82\xD6\n", says_next},           // 次へ, Shift-JIS
        {"\xBC\xA1\xA4\xD8\n", says_next},           // 次へ, EUC-JP
        {"\xE3\x81\xA4\xE3\x81\x8E\n", says_next},   // つぎ
        {"&#x6B21;\n", says_next},                   // 次 as an entity
        {"&lt;&lt; Prev\n", says_back},
        {"Previous\n", says_back},
        {"Index\n", says_back},
        {"Next\nBack to the index\n", says_back},    // its title speaks of going back
        {"Up\n", says_back},
        {"&laquo;\n", says_back},
        {"\xE5\x89\x8D\xE3\x81\xB8\n", says_back},   // 前へ
        {"\x96\xDF\x82\xE9\n", says_back},           // 戻る, Shift-JIS
        {"Home\n", says_back},
        {"nextstep\n", says_nothing},                // a word that only begins with next
        {"The next photo\n", says_nothing},          // next is not its first word
        {"Nexus\n", says_nothing},
        {"photo4.html\n", says_nothing},
        {"\n", says_nothing},
        {"&nbsp;\n", says_nothing},
        {"setup\n", says_nothing},                   // up inside a word says nothing
        {"\xE3\x81\xA9\xE3\x81\x86\n", says_nothing}, // どう: its bytes hold those of a Shift-JIS ←
        {"Chapter \xBB 2\n", says_nothing},          // an arrow that does not stand alone
    };
    for (const row& r : rows)
        EXPECT_EQ(what_link_says(r.label), r.says) << r.label;
}

}  // namespace
