#pragma once
// Reading the server's header listings: one overview line into an article record, the origin
// site from an XHDR PATH line, the crossposts an overview Xref field names, and the bounds in
// a GROUP reply. Pure functions over the text they are given, safe on any thread at once.
// Every line comes from the server and is untrusted: fields may be missing, numbers absurd,
// lists endless. Nothing here allocates by what a line claims, and the records get only the
// parts of the line they hold; views handed back point into the caller's line.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

class CArticle;

// A number the way the server's listings write it: leading white space, an optional sign,
// digits. Reads from text[pos] and moves pos past the number. False when no digit follows;
// a value beyond a long saturates.
bool ReadLong(std::string_view text, size_t& pos, long& value);
bool ReadLong(std::string_view text, long& value);

// Overview field `index` (0 = the article number): from the character after the index-th tab
// to the next tab or the end of the line; empty when the line has fewer fields.
std::string_view OverviewField(std::string_view line, int index);

// Fills article number, subject, from, date (in the article records' date form), message-ID
// (without its first and last character) and lines (0 when they do not read as a number).
// False, with nothing filled, when the line does not start with an article number from 1 to
// the largest the records hold: such a line names no article.
bool ParseOverviewLine(std::string_view line, CArticle& article);
// The same, also handing back the Xref field (field 8; empty when absent).
bool ParseOverviewLine(std::string_view line, CArticle& article, std::string_view& xref);

// The posting site named by an XHDR PATH line ("1234 a!b!c" gives "b"): the element before the
// user part, or for a two-element path its first element; empty without any "!".
std::string_view OriginFromPathLine(std::string_view line);

// Walks the entries of an overview Xref field ("Xref: host group:number ..."): entries are
// separated by blanks or commas, split at their first ":"; an entry whose group is empty or
// whose number does not read (or does not fit an article number) is skipped.
class CXrefEntries {
public:
    explicit CXrefEntries(std::string_view field);
    bool Next(std::string_view& group, std::int32_t& number);

private:
    std::string_view m_rest;
};

// Calls visit(group, number) for each entry of the Xref field that names another copy of the
// article: another group, or the same group under another number.
template <typename FVisit>
void ForEachCrosspost(std::string_view xref, std::string_view group, std::int32_t number,
                      FVisit&& visit) {
    CXrefEntries entries(xref);
    std::string_view entryGroup;
    std::int32_t entryNumber = 0;
    while (entries.Next(entryGroup, entryNumber)) {
        if (entryGroup != group || entryNumber != number) visit(entryGroup, entryNumber);
    }
}

// The bounds in a "211 count first last" reply; false when it does not hold three numbers or
// names a first or last article beyond what the records hold.
struct SGroupBounds {
    long count = 0;
    long first = 0;
    long last = 0;
};
bool ParseGroupReply(std::string_view reply, SGroupBounds& bounds);

}  // namespace corvane
