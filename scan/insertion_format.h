// What addNextpics writes into a page, in one place: the rewriter writes these bytes, and
// delNextpics' restorer, its test for a prepared page and addNextpics' check of insert.ini look
// for them here, so the writer and its readers cannot drift apart.
//
// A prepared page holds, at its BODY start tag:
//     <!-- Nextpics insert -->                       the marker comment
//     <script language="Javascript">                 the script opener
//     <!--
//     function preloadImage()  {
//       nextImg1= new Image;  nextImg1.src="...";    one line pair for each image of the next page
//       document.preload.next();
//     }
//     // --></script>                                the script closer
//     <BODY ... onLoad="preloadImage()">
// and, at its BODY end tag, block 2 of insert.ini, then the applet element: the applet start
// (45 bytes, then the rest of block 3 or a bare size), the next parameter with the next page and
// its streams, and the end tag with its line break (11 bytes, then the rest of block 4).
#pragma once

#include "textio/streams.h"

// A run of bytes known when the program is built, joined from parts at compile time, so that a
// text made of others repeats none of their bytes.
template <int N>
struct fixed_text {
    char bytes[N + 1];
    static constexpr int length = N;
    constexpr const char* c_str() const { return bytes; }
};

template <int... sizes>
constexpr fixed_text<((sizes - 1) + ... + 0)> join_texts(const char (&... parts)[sizes])
{
    fixed_text<((sizes - 1) + ... + 0)> out{};
    int at = 0;
    auto append = [&](const char* part, int size) {
        for (int i = 0; i + 1 < size; ++i)
            out.bytes[at++] = part[i];
    };
    (append(parts, sizes), ...);
    out.bytes[at] = '\0';
    return out;
}

// The first count bytes of text, its letters in upper case: a pattern for match_name, which takes
// letters given in upper case in either case.
template <int count, int size>
constexpr fixed_text<count> leading_pattern(const char (&text)[size])
{
    static_assert(count < size);
    fixed_text<count> out{};
    for (int i = 0; i < count; ++i)
        out.bytes[i] = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
    out.bytes[count] = '\0';
    return out;
}

// The last count bytes of text.
template <int count, int size>
constexpr fixed_text<count> trailing_bytes(const char (&text)[size])
{
    static_assert(count < size);
    fixed_text<count> out{};
    for (int i = 0; i < count; ++i)
        out.bytes[i] = text[size - 1 - count + i];
    out.bytes[count] = '\0';
    return out;
}

// ---- the script at the BODY start tag

inline constexpr char marker_comment[] = "<!-- Nextpics insert -->";
inline constexpr char script_start_tag[] = "<script language=\"Javascript\">";
inline constexpr char script_end_tag[] = "</script>";
inline constexpr char onload_name[] = "onLoad";
inline constexpr char onload_call[] = "preloadImage()";

// The marker comment past its "<!--", as the restorer reads on after the comment's start.
inline constexpr const char* marker_body = marker_comment + 4;
// The restorer's test for the script after the marker: its start tag's name, then the end tag,
// which the last bytes of that tag find first.
inline constexpr auto script_name_pattern = leading_pattern<7>(script_start_tag);  // "<SCRIPT"
inline constexpr auto script_end_tail = trailing_bytes<3>(script_end_tag);             // "pt>"

inline constexpr auto marker_line = join_texts(marker_comment, "\r\n");
inline constexpr auto script_opener = join_texts(script_start_tag, "\r\n", "<!-- \r\n", "function ", onload_call, "  {\r\n");
// Each image of the next page: image_line_start, its number, image_line_middle, its number,
// image_line_address, its address, image_line_end, image_line_call.
inline constexpr char image_line_start[] = "  nextImg";
inline constexpr char image_line_middle[] = "= new Image;  nextImg";
inline constexpr char image_line_address[] = ".src=\"";
inline constexpr char image_line_end[] = "\";\r\n";
inline constexpr char image_line_call[] = "  document.preload.next();\r\n";
inline constexpr auto script_closer = join_texts("}\r\n", "// -->", script_end_tag, "\r\n", "\r\n");
// Added to the BODY start tag, before its ">".
inline constexpr auto onload_attribute = join_texts(" ", onload_name, "=\"", onload_call, "\"");

// ---- the applet element at the BODY end tag

inline constexpr char applet_class[] = "nextpics.class";
// The start that addNextpics writes, which block 3 of insert.ini must begin with: the rest of the
// block follows it.
inline constexpr auto applet_start = join_texts("<applet code=\"", applet_class, "\" name=\"preload\" ");
static_assert(applet_start.length == 45);
// Where block 3 is empty, the start tag ends with a size of its own instead.
inline constexpr char bare_applet_size[] = "width=0 height=0>\r\n";
inline constexpr char applet_end_tag[] = "</applet>";
// The end tag with its line break, which block 4 must begin with: the rest of the block follows.
inline constexpr auto applet_end = join_texts(applet_end_tag, "\r\n");
static_assert(applet_end.length == 11);
inline constexpr char next_parameter_start[] = "<param name=\"next\" value=\"";
inline constexpr char next_parameter_end[] = "\">\r\n";
inline constexpr char stream_separator = ';';

// The restorer's patterns for an applet of this program: the class in full (an applet it takes
// for its own), and its first three letters (an applet element it takes out).
inline constexpr auto applet_class_pattern = leading_pattern<sizeof applet_class - 1>(applet_class);
inline constexpr auto applet_class_prefix = leading_pattern<3>(applet_class);

// How far a quoted value reaches (one whose closing quote is further off is taken as unclosed) is
// quote_reach of textio/streams.h, included above: the streams' attribute reading and the
// restorer's onLoad value share it.
