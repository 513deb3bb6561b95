// make_date_seeds DIR: writes the seed corpus of the Date text fuzz target, one file per form
// article dates come in (mail and news headers, the old news form, the C library's form, the
// ISO forms with weeks and days of the year, twelve-hour clocks, zones of every shape), so
// that fuzzing starts from texts that reach every template.
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr const char* kSeeds[] = {
    "Mon, 23 Mar 1998 12:34:56 -0500",
    "Mon, 23 Mar 1998 12:05:00 -0500",
    "23 Mar 98 12:34:56 GMT",
    "Monday, 23-Mar-98 12:34:56 GMT",
    "Mon Mar 23 12:34:56 1998",
    "1998-03-23T12:34:56",
    "1998-03-23T12:34:56.25+05:30",
    "19980323T123456Z",
    "98/03/23 12:34",
    "23 Mar 1998 12:34:56 EST DST",
    "23 Mar 1998 12:34:56 NZDT+0030",
    "Tue, 31 Dec 2030 23:59:59 +0000 (UTC)",
    "23 Mar 1998 1:00 pm lt",
    "12:00 AM",
    "1998-082",
    "98-082",
    "1998-W13-1",
    "1998W131",
    "-8-W13-7",
    "-W13-2",
    "-w-3",
    "--03-23",
    "---23",
    "--0323T",
    "12.00125",
    "12:34.5",
    "-05:30:15",
    "31 Apr 1998",
    "  ,;  ",
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_date_seeds DIR\n");
        return 2;
    }
    int n = 0;
    for (const char* seed : kSeeds) {
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
