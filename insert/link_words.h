// What a link says of where it leads, from the label the link collector gathers (its text, its
// title and other attributes, the alternative texts of its images): on, back, or neither.
#pragma once

enum link_says : int {
    says_nothing = 0,
    says_next,  // a field is or begins with a word for next, or is an arrow that points on
    says_back,  // a field speaks of back, previous, up, an index, home, contents or the top
};

// The label's fields are ended by line feeds. Entities are decoded first; Japanese words are
// known in UTF-8, Shift-JIS and EUC-JP (the last two only in a field that is not UTF-8), the
// single-byte arrows of Latin-1 and Windows-1252 where they stand between ASCII bytes.
// Without back_too, a label none of whose fields says next gives says_nothing at once, whatever
// else it says: enough to tell the links that lead on, at a fraction of the cost.
link_says what_link_says(const char* label, bool back_too = true);
