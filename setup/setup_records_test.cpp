#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "setup/archive.h"
#include "setup/criteria.h"
#include "setup/setup.h"
#include "setup/setup_group.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds expected bytes by hand, independent of the archive writer.
struct CBytes {
    Bytes b;
    CBytes& Word(std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    CBytes& Dword(std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        Word(static_cast<std::uint16_t>(u));
        return Word(static_cast<std::uint16_t>(u >> 16));
    }
    CBytes& Str(std::string_view s) {  // short strings only
        b.push_back(static_cast<std::uint8_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    CBytes& ClassRecord(std::string_view name, std::uint16_t schema) {
        Word(0xFFFF).Word(schema).Word(static_cast<std::uint16_t>(name.size()));
        b.insert(b.end(), name.begin(), name.end());
        return *this;
    }
};

const CClassRegistry& Registry() {
    static const CClassRegistry registry = [] {
        CClassRegistry r;
        RegisterSetupRecordClasses(r);
        return r;
    }();
    return registry;
}

Bytes Write(const CSerializable& object) {
    CArchive ar;
    ar.WriteObject(&object);
    return ar.Bytes();
}

// Reads one object and insists that its body used up every byte: a reader that takes a
// field too many or too few for the stored schema leaves bytes over or runs out.
template <class T>
std::unique_ptr<T> ReadAll(const Bytes& bytes) {
    CArchive ar(Registry(), bytes);
    std::unique_ptr<T> object = ar.ReadOwned<T>();
    EXPECT_EQ(ar.BytesLeft(), 0u);
    return object;
}

void ExpectSameCriteriaGroup(const CCriteriaGroup& a, const CCriteriaGroup& b) {
    EXPECT_EQ(a.m_name, b.m_name);
    EXPECT_EQ(a.m_action, b.m_action);
    EXPECT_EQ(a.m_logic, b.m_logic);
    ASSERT_EQ(a.m_criteria.size(), b.m_criteria.size());
    for (std::size_t i = 0; i < a.m_criteria.size(); ++i) {
        EXPECT_EQ(a.m_criteria[i]->m_field, b.m_criteria[i]->m_field);
        EXPECT_EQ(a.m_criteria[i]->m_operator, b.m_criteria[i]->m_operator);
        EXPECT_EQ(a.m_criteria[i]->m_value, b.m_criteria[i]->m_value);
    }
}

// Every integer value the setup record saves.
const std::vector<std::int32_t CSetup::*>& SavedInts() {
    // clang-format off
    static const std::vector<std::int32_t CSetup::*> fields = {
        &CSetup::m_crosspostsOnce, &CSetup::m_byArticleNumber, &CSetup::m_useFileDatabase,
        &CSetup::m_reserved, &CSetup::m_directConnection, &CSetup::m_connectIfNotConnected,
        &CSetup::m_hangUpWhenFinished, &CSetup::m_autoQueueArticles, &CSetup::m_requiresLogin,
        &CSetup::m_threads, &CSetup::m_delayStartSeconds, &CSetup::m_shutDownAfterSeconds,
        &CSetup::m_delayStart, &CSetup::m_hideWhileDownloading, &CSetup::m_shutDownMode,
        &CSetup::m_processArticlesBeforeGroups, &CSetup::m_port, &CSetup::m_giveUpLines,
        &CSetup::m_autoSaveMinutes, &CSetup::m_overwrite, &CSetup::m_timeOutMinutes,
        &CSetup::m_logDownloads, &CSetup::m_showThumbnails,
    };
    // clang-format on
    return fields;
}

// Every saved value; the two never-saved auto-mode values are compared only when asked.
void ExpectSameSetup(const CSetup& a, const CSetup& b, bool unsavedToo) {
    EXPECT_EQ(a.NewsServer(), b.NewsServer());
    EXPECT_EQ(a.User(), b.User());
    EXPECT_EQ(a.Password(), b.Password());
    EXPECT_EQ(a.SavePath(), b.SavePath());
    EXPECT_EQ(a.DialUpEntry(), b.DialUpEntry());
    const auto& ints = SavedInts();
    for (std::size_t i = 0; i < ints.size(); ++i)
        EXPECT_EQ(a.*ints[i], b.*ints[i]) << "integer field #" << i;
    if (unsavedToo) {
        EXPECT_EQ(a.m_queueEverythingOnEngage, b.m_queueEverythingOnEngage);
        EXPECT_EQ(a.m_autoHangUp, b.m_autoHangUp);
    }
    ASSERT_EQ(a.m_groups.size(), b.m_groups.size());
    for (std::size_t i = 0; i < a.m_groups.size(); ++i) {
        const CSetupGroup& ga = *a.m_groups[i];
        const CSetupGroup& gb = *b.m_groups[i];
        EXPECT_EQ(ga.Name(), gb.Name());
        EXPECT_EQ(ga.RelativePath(), gb.RelativePath());
        EXPECT_EQ(ga.m_enabled, gb.m_enabled);
        EXPECT_EQ(ga.m_type, gb.m_type);
        EXPECT_EQ(ga.m_highestArticle, gb.m_highestArticle);
    }
    ASSERT_EQ(a.m_criteriaGroups.size(), b.m_criteriaGroups.size());
    for (std::size_t i = 0; i < a.m_criteriaGroups.size(); ++i)
        ExpectSameCriteriaGroup(*a.m_criteriaGroups[i], *b.m_criteriaGroups[i]);
}

// A setup where every value differs from its default, with two groups and two rules.
std::unique_ptr<CSetup> FullSetup() {
    auto s = std::make_unique<CSetup>();
    s->SetNewsServer("news.example.test");
    s->SetUser("ann");
    s->SetPassword("s3cret");
    s->SetSavePath("/home/ann/news");
    s->SetDialUpEntry("Office line");
    int v = 1000;
    for (std::int32_t CSetup::*field : SavedInts()) (*s).*field = v++;
    s->m_queueEverythingOnEngage = 0;
    s->m_autoHangUp = 1;
    s->m_reserved = -7;  // signed values must survive
    for (const char* name : {"alt.binaries.a", "alt.binaries.b"}) {
        auto g = std::make_unique<CSetupGroup>();
        g->SetName(name);
        g->SetRelativePath(std::string("rel/") + name);
        g->m_enabled = 1;
        g->m_type = CSetupGroup::kTypeText;
        g->m_highestArticle = static_cast<std::int32_t>(s->m_groups.size()) + 4000000;
        s->m_groups.push_back(std::move(g));
    }
    auto rule = std::make_unique<CCriteriaGroup>("Pictures", CCriteriaGroup::kActionHighPriority,
                                                 CCriteriaGroup::kLogicOr);
    rule->m_criteria.push_back(std::make_unique<CCriteria>(CCriteria::kFieldSubject, 10, "jpg"));
    rule->m_criteria.push_back(std::make_unique<CCriteria>(CCriteria::kFieldLines, 2, "200"));
    s->m_criteriaGroups.push_back(std::move(rule));
    s->m_criteriaGroups.push_back(
        std::make_unique<CCriteriaGroup>("Empty", CCriteriaGroup::kActionText, 0));
    return s;
}

// ---- writing ----------------------------------------------------------------------------

TEST(SetupRecordsWrite, DefaultSetupIsTheDocumentedBytes) {
    // clang-format off
    const Bytes expected = {
        0xFF, 0xFF, 0x10, 0x00, 0x06, 0x00, 'C',  'S',  'e',  't',  'u',  'p',   // class
        0x00, 0x00, 0x00, 0x00,                                                 // auto-queue
        0x00, 0x00, 0x00,                                                       // srv usr pwd
        0x00, 0x00, 0x00, 0x00,                                                 // login
        0x01, 0x00, 0x00, 0x00,                                                 // threads
        0x00,                                                                   // save path
        0x32, 0x00, 0x00, 0x00,                                                 // give-up 50
        0x00, 0x00, 0x00, 0x00,                                                 // overwrite
        0x77, 0x00, 0x00, 0x00,                                                 // port 119
        0x01, 0x00, 0x00, 0x00,                                                 // connect
        0x00,                                                                   // dial-up
        0x00, 0x00, 0x00, 0x00,                                                 // hang up
        0x00, 0x00, 0x00, 0x00,                                                 // direct
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                         // delay, after
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                         // delay, hide
        0x02, 0x00, 0x00, 0x00,                                                 // shut mode
        0x01, 0x00, 0x00, 0x00,                                                 // articles 1st
        0x00, 0x00, 0x00, 0x00,                                                 // reserved
        0x01, 0x00, 0x00, 0x00,                                                 // log present
        0x0A, 0x00, 0x00, 0x00,                                                 // auto-save
        0x01, 0x00, 0x00, 0x00,                                                 // ranges
        0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,                         // xpost, by no
        0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,                         // thumbs, db
        0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,                         // log, timeout
        0x00, 0x00,                                                             // groups
        0x00, 0x00,                                                             // rules
    };
    // clang-format on
    ASSERT_EQ(expected.size(), 12u + 109u);
    CSetup setup;
    EXPECT_EQ(Write(setup), expected);
}

// Presence flags are written as 1 even when the record says 0 (a setup read from an old
// file, or a copy); classes and objects share one index space.
TEST(SetupRecordsWrite, GroupsAndRulesInFileOrderWithSharedIndices) {
    CSetup setup;
    setup.m_logPresent = 0;
    setup.m_rangesPresent = 0;
    setup.SetNewsServer("srv");
    for (std::int32_t n : {7, 8}) {
        auto g = std::make_unique<CSetupGroup>();
        g->SetName("g" + std::to_string(n));
        g->SetRelativePath("p");
        if (n == 7) g->m_enabled = 1;  // the other keeps the defaults: disabled, attachments
        g->m_highestArticle = n;
        setup.m_groups.push_back(std::move(g));
    }
    auto rule = std::make_unique<CCriteriaGroup>("r", 1, 1);
    rule->m_criteria.push_back(std::make_unique<CCriteria>(6, 3, "2"));
    rule->m_criteria.push_back(std::make_unique<CCriteria>());  // field and operator -1
    setup.m_criteriaGroups.push_back(std::move(rule));

    CBytes e;
    e.ClassRecord("CSetup", 16);  // class 1, object 2
    e.Dword(0).Str("srv").Str("").Str("").Dword(0).Dword(1).Str("");
    e.Dword(50).Dword(0).Dword(119).Dword(1).Str("").Dword(0).Dword(0);
    e.Dword(0).Dword(0).Dword(0).Dword(0).Dword(2).Dword(1).Dword(0);
    e.Dword(1).Dword(10).Dword(1);  // presence flags written as 1
    e.Dword(1).Dword(1).Dword(1).Dword(1).Dword(1).Dword(1);
    e.Word(2);
    e.ClassRecord("CSetupGroup", 4);  // class 3, object 4
    e.Dword(1).Str("g7").Dword(1).Str("p").Dword(7);
    e.Word(0x8003);  // object 5
    e.Dword(0).Str("g8").Dword(1).Str("p").Dword(8);
    e.Word(1);
    e.ClassRecord("CCriteriaGroup", 2);  // class 6, object 7
    e.Dword(1).Str("r").Dword(1).Word(2);
    e.ClassRecord("CCriteria", 1);  // class 8, object 9
    e.Dword(6).Dword(3).Str("2");
    e.Word(0x8008);  // object 10
    e.Dword(-1).Dword(-1).Str("");
    EXPECT_EQ(Write(setup), e.b);
}

// ---- round trips and copies -------------------------------------------------------------

TEST(SetupRecordsRoundTrip, EverySavedValueComesBack) {
    auto original = FullSetup();
    auto read = ReadAll<CSetup>(Write(*original));
    ASSERT_NE(read, nullptr);
    ExpectSameSetup(*original, *read, false);
    EXPECT_EQ(read->m_logPresent, 1);
    EXPECT_EQ(read->m_rangesPresent, 1);
    // Never saved: a loaded setup has the defaults again.
    EXPECT_EQ(read->m_queueEverythingOnEngage, 1);
    EXPECT_EQ(read->m_autoHangUp, 0);
}

TEST(SetupRecordsRoundTrip, LongAndEmptyStringsKeepTheirBytes) {
    CSetup setup;
    setup.SetSavePath(std::string(300, 'x'));
    setup.SetPassword(std::string("a\0b", 3));
    auto read = ReadAll<CSetup>(Write(setup));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->SavePath(), std::string(300, 'x'));
    EXPECT_EQ(read->Password(), std::string("a\0b", 3));
}

TEST(SetupRecordsCopy, CopyIsDeepAndLeavesPresenceFlagsClear) {
    auto source = FullSetup();
    source->m_logPresent = 1;
    source->m_rangesPresent = 1;
    auto copy = std::make_unique<CSetup>(*source);
    ExpectSameSetup(*source, *copy, true);
    EXPECT_EQ(copy->m_logPresent, 0);
    EXPECT_EQ(copy->m_rangesPresent, 0);
    EXPECT_NE(copy->m_groups[0].get(), source->m_groups[0].get());
    EXPECT_NE(copy->m_criteriaGroups[0]->m_criteria[0].get(),
              source->m_criteriaGroups[0]->m_criteria[0].get());

    // Editing and then dropping the copy (a cancelled Options sheet) leaves the source whole.
    copy->m_groups[0]->SetName("changed");
    copy->m_criteriaGroups[0]->m_criteria[0]->m_value = "changed";
    copy.reset();
    EXPECT_EQ(source->m_groups[0]->Name(), "alt.binaries.a");
    EXPECT_EQ(source->m_criteriaGroups[0]->m_criteria[0]->m_value, "jpg");
    EXPECT_EQ(source->m_criteriaGroups[0]->m_criteria.size(), 2u);
}

// ---- older schemas ----------------------------------------------------------------------

// The stored body of CSetup in its file order: when a value first came, what this test stores
// there, what a reader must give when the stored schema lacks it, and where it lands.
struct CSetupField {
    std::uint16_t since;
    std::string stored;  // for strings
    std::int32_t storedInt;
    std::int32_t absent;
    std::function<std::string(const CSetup&)> get;
};

std::function<std::string(const CSetup&)> Int(std::int32_t CSetup::*field) {
    return [field](const CSetup& s) { return std::to_string(s.*field); };
}

const std::vector<CSetupField>& SetupFields() {
    static const std::vector<CSetupField> fields = {
        {1, "", 1, 0, Int(&CSetup::m_autoQueueArticles)},
        {1, "srv", 0, 0, [](const CSetup& s) { return s.NewsServer(); }},
        {1, "usr", 0, 0, [](const CSetup& s) { return s.User(); }},
        {1, "pwd", 0, 0, [](const CSetup& s) { return s.Password(); }},
        {1, "", 1, 0, Int(&CSetup::m_requiresLogin)},
        {1, "", 4, 0, Int(&CSetup::m_threads)},
        {1, "/save", 0, 0, [](const CSetup& s) { return s.SavePath(); }},
        {2, "", 70, 50, Int(&CSetup::m_giveUpLines)},
        {2, "", 1, 0, Int(&CSetup::m_overwrite)},
        {3, "", 8119, 119, Int(&CSetup::m_port)},
        {5, "", 1, 0, Int(&CSetup::m_connectIfNotConnected)},
        {5, "dial", 0, 0, [](const CSetup& s) { return s.DialUpEntry(); }},
        {5, "", 1, 0, Int(&CSetup::m_hangUpWhenFinished)},
        {5, "", 0, 1, Int(&CSetup::m_directConnection)},
        {6, "", 30, 0, Int(&CSetup::m_delayStartSeconds)},
        {6, "", 60, 0, Int(&CSetup::m_shutDownAfterSeconds)},
        {6, "", 1, 0, Int(&CSetup::m_delayStart)},
        {6, "", 1, 0, Int(&CSetup::m_hideWhileDownloading)},
        {6, "", 1, 2, Int(&CSetup::m_shutDownMode)},
        {6, "", 0, 1, Int(&CSetup::m_processArticlesBeforeGroups)},
        {7, "", 99, 0, Int(&CSetup::m_reserved)},
        {8, "", 1, 0, Int(&CSetup::m_logPresent)},
        {9, "", 25, 1, Int(&CSetup::m_autoSaveMinutes)},
        {10, "", 1, 0, Int(&CSetup::m_rangesPresent)},
        {11, "", 0, 1, Int(&CSetup::m_crosspostsOnce)},
        {12, "", 0, 1, Int(&CSetup::m_byArticleNumber)},
        {13, "", 0, 1, Int(&CSetup::m_showThumbnails)},
        {14, "", 0, 1, Int(&CSetup::m_useFileDatabase)},
        {15, "", 0, 1, Int(&CSetup::m_logDownloads)},
        {16, "", 5, 1, Int(&CSetup::m_timeOutMinutes)},
    };
    return fields;
}

bool IsStringField(const CSetupField& f) {
    return !f.stored.empty();
}

// The values of a stored CSetup body up to (not including) its lists.
void AppendSetupValues(CBytes& e, std::uint16_t schema) {
    for (const CSetupField& f : SetupFields()) {
        if (f.since > schema) continue;
        if (IsStringField(f))
            e.Str(f.stored);
        else
            e.Dword(f.storedInt);
    }
}

TEST(SetupRecordsOlder, EachSchemaReadsItsValuesAndDefaultsTheRest) {
    for (std::uint16_t schema : {1, 3, 4, 5, 7, 8, 9, 10, 12, 15, 16}) {
        SCOPED_TRACE("schema " + std::to_string(schema));
        CBytes e;
        e.ClassRecord("CSetup", schema);
        AppendSetupValues(e, schema);
        e.Word(0);  // groups
        e.Word(0);  // legacy criteria (1-3) or criteria groups (4 on)
        auto read = ReadAll<CSetup>(e.b);
        ASSERT_NE(read, nullptr);
        for (std::size_t i = 0; i < SetupFields().size(); ++i) {
            const CSetupField& f = SetupFields()[i];
            std::string want = f.since <= schema
                                   ? (IsStringField(f) ? f.stored : std::to_string(f.storedInt))
                                   : (IsStringField(f) ? "" : std::to_string(f.absent));
            EXPECT_EQ(f.get(*read), want) << "body value #" << i + 1;
        }
        // Only a body from before rules existed is converted, and then even when empty.
        ASSERT_EQ(read->m_criteriaGroups.size(), schema <= 3 ? 1u : 0u);
        EXPECT_EQ(read->m_queueEverythingOnEngage, 1);
    }
}

// A first-generation file: flat conditions after two groups of the first group schema, the
// second group introduced by its class index and so read by the same old schema.
TEST(SetupRecordsOlder, SchemaOneConditionsBecomeOneConvertRule) {
    CBytes e;
    e.ClassRecord("CSetup", 1);  // class 1, object 2
    AppendSetupValues(e, 1);
    e.Word(2);
    e.ClassRecord("CSetupGroup", 1);  // class 3, object 4
    e.Dword(1).Str("alt.one");
    e.Word(0x8003);  // object 5
    e.Dword(0).Str("alt.two");
    e.Word(2);
    e.ClassRecord("CCriteria", 1);  // class 6, object 7
    e.Dword(0).Dword(6).Str("cats");
    e.Word(0x8006);
    e.Dword(1).Dword(2).Str("100");
    auto read = ReadAll<CSetup>(e.b);
    ASSERT_NE(read, nullptr);

    ASSERT_EQ(read->m_groups.size(), 2u);
    EXPECT_EQ(read->m_groups[0]->Name(), "alt.one");
    EXPECT_EQ(read->m_groups[0]->m_enabled, 1);
    EXPECT_EQ(read->m_groups[1]->Name(), "alt.two");
    EXPECT_EQ(read->m_groups[1]->m_enabled, 0);
    for (const auto& g : read->m_groups) {
        EXPECT_EQ(g->m_type, CSetupGroup::kTypeAttachment);
        EXPECT_EQ(g->RelativePath(), "");
        EXPECT_EQ(g->m_highestArticle, 0);
    }

    CCriteriaGroup expected("Convert", CCriteriaGroup::kActionInclude, CCriteriaGroup::kLogicAnd);
    expected.m_criteria.push_back(std::make_unique<CCriteria>(0, 6, "cats"));
    expected.m_criteria.push_back(std::make_unique<CCriteria>(1, 2, "100"));
    ASSERT_EQ(read->m_criteriaGroups.size(), 1u);
    ExpectSameCriteriaGroup(*read->m_criteriaGroups[0], expected);

    // Saved again, the converted rule is an ordinary rule of the current schema.
    auto again = ReadAll<CSetup>(Write(*read));
    ASSERT_NE(again, nullptr);
    ExpectSameSetup(*read, *again, true);
}

TEST(SetupRecordsOlder, GroupSchemasTwoAndThree) {
    CBytes two;
    two.ClassRecord("CSetupGroup", 2).Dword(1).Str("a.b").Dword(0);
    auto g2 = ReadAll<CSetupGroup>(two.b);
    ASSERT_NE(g2, nullptr);
    EXPECT_EQ(g2->m_type, CSetupGroup::kTypeText);
    EXPECT_EQ(g2->RelativePath(), "");
    EXPECT_EQ(g2->m_highestArticle, 0);

    CBytes three;
    three.ClassRecord("CSetupGroup", 3).Dword(1).Str("a.b").Dword(0).Str("sub");
    auto g3 = ReadAll<CSetupGroup>(three.b);
    ASSERT_NE(g3, nullptr);
    EXPECT_EQ(g3->Name(), "a.b");
    EXPECT_EQ(g3->RelativePath(), "sub");
    EXPECT_EQ(g3->m_highestArticle, 0);
}

TEST(SetupRecordsOlder, CriteriaGroupSchemaOneHasAndLogic) {
    CBytes e;
    e.ClassRecord("CCriteriaGroup", 1).Dword(CCriteriaGroup::kActionExclude).Str("spam");
    e.Word(1).ClassRecord("CCriteria", 1).Dword(2).Dword(6).Str("x");
    auto read = ReadAll<CCriteriaGroup>(e.b);
    ASSERT_NE(read, nullptr);
    CCriteriaGroup expected("spam", CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicAnd);
    expected.m_criteria.push_back(std::make_unique<CCriteria>(2, 6, "x"));
    ExpectSameCriteriaGroup(*read, expected);
}

// ---- hostile bodies ---------------------------------------------------------------------

TEST(SetupRecordsHostile, ConditionInTheGroupListIsRefused) {
    CBytes wrong;
    wrong.ClassRecord("CSetup", 16);
    AppendSetupValues(wrong, 16);
    wrong.Word(1).ClassRecord("CCriteria", 1).Dword(0).Dword(0).Str("");
    CArchive ar(Registry(), wrong.b);
    try {
        ar.ReadOwned<CSetup>();
        FAIL() << "a condition in the group list was accepted";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.Kind(), EArchiveError::kBadClass);
    }
}

// ---- operations -------------------------------------------------------------------------

TEST(SetupRecordsOperations, KillGroupIsFoundOrAppendedOnce) {
    CSetup setup;
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>("inc", 0, 1));
    // Exclude but And: a kill added here would need every condition to match.
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>("and", 1, 0));
    CCriteriaGroup& kill = setup.FindKillGroup();
    ASSERT_EQ(setup.m_criteriaGroups.size(), 3u);
    EXPECT_EQ(&kill, setup.m_criteriaGroups[2].get());
    EXPECT_EQ(kill.m_name, "Kill");
    EXPECT_EQ(kill.m_action, CCriteriaGroup::kActionExclude);
    EXPECT_EQ(kill.m_logic, CCriteriaGroup::kLogicOr);
    EXPECT_EQ(&setup.FindKillGroup(), &kill);
    EXPECT_EQ(setup.m_criteriaGroups.size(), 3u);

    // An existing Exclude/Or rule of any name is used, the first one when there are several.
    CSetup other;
    other.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>("mine", 1, 1));
    other.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>("later", 1, 1));
    EXPECT_EQ(&other.FindKillGroup(), other.m_criteriaGroups[0].get());
    EXPECT_EQ(other.m_criteriaGroups.size(), 2u);
}

TEST(SetupRecordsOperations, ConvertAppendsAfterExistingRules) {
    CSetup setup;
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>("first", 2, 0));
    std::vector<std::unique_ptr<CCriteria>> legacy;
    legacy.push_back(std::make_unique<CCriteria>(7, 13, ".zip"));
    CCriteria* moved = legacy[0].get();
    setup.ConvertLegacyCriteria(std::move(legacy));
    ASSERT_EQ(setup.m_criteriaGroups.size(), 2u);
    EXPECT_EQ(setup.m_criteriaGroups[0]->m_name, "first");
    ASSERT_EQ(setup.m_criteriaGroups[1]->m_criteria.size(), 1u);
    EXPECT_EQ(setup.m_criteriaGroups[1]->m_criteria[0].get(), moved);
}

TEST(SetupRecordsOperations, DisplayTextsFollowTheCodesNotTheResourceOrder) {
    EXPECT_EQ(CCriteria::FieldText(CCriteria::kFieldGroupCount), "No. Groups");
    EXPECT_EQ(CCriteria::FieldText(CCriteria::kFieldFilename), "Filename");
    EXPECT_EQ(CCriteria::FieldText(8), "");
    EXPECT_EQ(CCriteria::FieldText(-1), "");
    EXPECT_EQ(CCriteria::OperatorText(4), "<");
    EXPECT_EQ(CCriteria::OperatorText(8), "= Ignore case");
    EXPECT_EQ(CCriteria::OperatorText(15), "Ends with (ignore case)");
    EXPECT_EQ(CCriteria::OperatorText(16), "");
    EXPECT_EQ(CCriteriaGroup::ActionText(5), "Med. Priority");
    EXPECT_EQ(CCriteriaGroup::ActionText(7), "");
    EXPECT_EQ(CCriteriaGroup::ActionText(-1), "");
}

TEST(SetupRecordsOperations, RegistryCreatesEachClassAtItsSchema) {
    struct {
        const char* name;
        std::uint16_t schema;
    } const expected[] = {
        {"CSetup", 16}, {"CSetupGroup", 4}, {"CCriteriaGroup", 2}, {"CCriteria", 1}};
    for (const auto& e : expected) {
        const CClassRegistry::CEntry* entry = Registry().Find(e.name);
        ASSERT_NE(entry, nullptr) << e.name;
        EXPECT_EQ(entry->schema, e.schema) << e.name;
        auto object = entry->factory();
        EXPECT_EQ(object->ClassName(), e.name);
        EXPECT_EQ(object->Schema(), e.schema);
    }
}

}  // namespace
}  // namespace corvane
