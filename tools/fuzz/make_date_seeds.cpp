// make_date_seeds DIR: writes the seed corpus of the Date text fuzz target, one file per form
// article dates come in (mail and news headers, the old news form, the C library's form, the
// ISO forms with weeks and days of the year, twelve-hour clocks, zones of every shape), so
// that fuzzing starts from texts that reach every template.
#include <cstdio>
#include <fstream>
#include <string>

#include "nntp/date_golden_corpus.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_date_seeds DIR\n");
        return 2;
    }
    int n = 0;
    for (const char* seed : corvane::date_golden::kSeedTexts) {
        const std::string path = std::string(argv[1]) + "/seed_" + std::to_string(n++);
        std::ofstream out(path, std::ios::binary);
        out << seed;
        if (!out) {
            std::fprintf(stderr, "make_date_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
