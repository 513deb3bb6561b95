#pragma once
// Recognising the part counter of a multi-part posting in a subject ("picture.jpg (2/5)").
// Stateless; callable from any thread. The base subject handed back is a view into the
// caller's subject text and lives only as long as that text.
#include <cstdint>
#include <string_view>

#include "setup/article.h"

namespace corvane {

struct CPartCounter {
    bool multiPart = false;
    std::int32_t part = 0;   // n of "n/N"; 0 marks a description post
    std::int32_t count = 0;  // N of "n/N"
    // The subject before the first digit of n: the key that joins the parts of one posting.
    std::string_view baseSubject;
};

// The counter is the last "n/N" in the subject: "part 1/2 of 3/4" is part 3 of 4. A subject
// that starts with its counter, a count below 2, a part above the count, or a number that
// does not fit 32 bits make a single article.
CPartCounter ParseParts(std::string_view subject);
inline CPartCounter ParseParts(const CArticle& article) {
    return ParseParts(article.Subject());
}

}  // namespace corvane
