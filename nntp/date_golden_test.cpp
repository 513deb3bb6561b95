// The date reader's answers, recorded before its fast paths went in, for a few hundred
// thousand generated texts: any change to where reading stops, to a field, or to a converted
// time shows up as a block whose digest differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "nntp/date_golden_corpus.h"
#include "tests/support/scoped_zone.h"

namespace corvane {
namespace {

struct GoldenFile {
    uint64_t seed = 0;
    uint64_t count = 0;
    uint64_t block = 0;
    std::vector<uint64_t> digests;
};

std::filesystem::path GoldenPath() {
    return std::filesystem::path(__FILE__).parent_path() / "testdata" / "date_golden.txt";
}

bool ReadGolden(const std::filesystem::path& path, GoldenFile& golden) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string key, value;
        if (!(fields >> key >> value)) return false;
        if (key == "seed") {
            golden.seed = std::stoull(value, nullptr, 0);
        } else if (key == "count") {
            golden.count = std::stoull(value);
        } else if (key == "block") {
            golden.block = std::stoull(value);
        } else {
            if (std::stoull(key) != golden.digests.size()) return false;
            golden.digests.push_back(std::stoull(value, nullptr, 16));
        }
    }
    return golden.block > 0 && golden.count > 0 &&
           golden.digests.size() == (golden.count + golden.block - 1) / golden.block;
}

using testsupport::ScopedZone;

TEST(DateGoldenTest, GeneratorIsStable) {
    // The recorded digests mean something only while the texts are the ones recorded.
    EXPECT_EQ(date_golden::Text(0x5eed, 0), "Mon, 23 Mar 1998 12:34:56 -0500");
    EXPECT_EQ(date_golden::Text(0x5eed, 35), "0-w15-6T,20:41, hadt ");
    EXPECT_EQ(date_golden::Text(0x5eed, 59), "28 Nov 57 09:55:01 Z+13:49");
}

TEST(DateGoldenTest, EveryBlockReadsAsRecorded) {
    GoldenFile golden;
    ASSERT_TRUE(ReadGolden(GoldenPath(), golden)) << GoldenPath();
    ScopedZone zone(date_golden::kZoneRule);
    std::vector<uint64_t> got;
    // A fresh thread starts the local search from the same guess the recording did, whatever
    // the other tests of this program converted before.
    std::thread([&] {
        for (uint64_t first = 0; first < golden.count; first += golden.block) {
            const uint64_t n = std::min(golden.block, golden.count - first);
            got.push_back(date_golden::BlockDigest(golden.seed, first, n));
        }
    }).join();
    ASSERT_EQ(got.size(), golden.digests.size());
    int reported = 0;
    for (size_t b = 0; b < got.size(); ++b) {
        if (got[b] != golden.digests[b] && ++reported <= 10) {
            ADD_FAILURE() << "texts " << b * golden.block << " to " << (b + 1) * golden.block - 1
                          << " read differently from the recording";
        }
    }
    EXPECT_EQ(reported, 0);
}

}  // namespace
}  // namespace corvane
