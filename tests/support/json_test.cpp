#include "tests/support/json.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvane::testsupport {
namespace {

TEST(Json, ReadsTheShapesOfAManifest) {
    const CJson doc = CJson::Parse(
        R"({"server": {"host": "127.0.0.1", "port": 119}, "groups": [1, -2.5e1, true, null],)"
        R"( "text": "a\"b\\c\u00fc\n", "empty": {}, "none": []})");
    EXPECT_EQ(doc["server"]["host"].String(), "127.0.0.1");
    EXPECT_EQ(doc["server"]["port"].Long(), 119);
    EXPECT_EQ(doc["groups"].Size(), 4u);
    EXPECT_EQ(doc["groups"][1].Number(), -25.0);
    EXPECT_TRUE(doc["groups"][2].Bool());
    EXPECT_TRUE(doc["groups"][3].IsNull());
    EXPECT_TRUE(doc["groups"][9].IsNull());
    EXPECT_TRUE(doc["missing"]["deeper"].IsNull());
    EXPECT_EQ(doc["text"].String(), "a\"b\\c\xc3\xbc\n");
    EXPECT_EQ(doc["empty"].GetType(), CJson::Type::Object);
    EXPECT_EQ(doc["none"].Size(), 0u);
}

TEST(Json, RefusesMalformedText) {
    for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "\"open", "tru", "{} x", "[1 2]"}) {
        EXPECT_THROW(CJson::Parse(bad), std::runtime_error) << bad;
    }
}

}  // namespace
}  // namespace corvane::testsupport
