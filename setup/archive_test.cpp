#include "setup/archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Three small record classes: a versioned item (fields added in schemas 2 and 3), a class
// derived from it, and a box holding every kind of container and reference.
class CItem : public CSerializable {
public:
    std::string_view ClassName() const override { return "CItem"; }
    std::uint16_t Schema() const override { return 3; }
    void Serialize(CArchive& ar) override {
        readSchema = ar.Schema();
        ar.Transfer(value);
        if (ar.IsStoring() || ar.Schema() >= 2) ar.Transfer(text);
        if (ar.IsStoring() || ar.Schema() >= 3)
            ar.Transfer(extra);
        else
            extra = 7;
    }
    std::uint32_t value = 0;
    std::string text;
    std::uint32_t extra = 0;
    std::uint16_t readSchema = 0;
};

class CSpecialItem : public CItem {
public:
    std::string_view ClassName() const override { return "CSpecialItem"; }
    std::uint16_t Schema() const override { return 1; }
    void Serialize(CArchive& ar) override {
        ar.Transfer(value);
        ar.Transfer(flag);
    }
    std::uint16_t flag = 0;
};

class CBox : public CSerializable {
public:
    std::string_view ClassName() const override { return "CBox"; }
    std::uint16_t Schema() const override { return 1; }
    void Serialize(CArchive& ar) override {
        ar.SerializeList(items);
        ar.SerializeArray(slots);
        ar.SerializeWords(words);
        if (ar.IsStoring()) {
            ar.WriteShared(favourite);
            ar.WriteObject(inner.get());
        } else {
            favourite = ar.ReadShared<CItem>();
            inner = ar.ReadOwned<CBox>();
        }
        ar.SerializeMap(byName);
        ar.SerializeMap(aliases);
        schemaAfterChildren = ar.Schema();
    }
    std::vector<std::unique_ptr<CItem>> items;
    std::vector<std::unique_ptr<CItem>> slots;
    std::vector<std::uint16_t> words;
    CItem* favourite = nullptr;
    std::unique_ptr<CBox> inner;
    CStringMap<std::unique_ptr<CItem>> byName;
    CStringMap<CItem*> aliases;
    std::uint16_t schemaAfterChildren = 0;
};

const CClassRegistry& Registry() {
    static const CClassRegistry registry = [] {
        CClassRegistry r;
        r.Register<CItem>("CItem", 3);
        r.Register<CSpecialItem>("CSpecialItem", 1);
        r.Register<CBox>("CBox", 1);
        return r;
    }();
    return registry;
}

// Element by element: GCC 12 at -O3 misreads a range insert here as out of bounds.
void Append(Bytes& out, std::string_view s) {
    for (char c : s) out.push_back(static_cast<std::uint8_t>(c));
}
void Append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

template <class F>
std::optional<EArchiveError> ErrorOf(F f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e.Kind();
    }
    return std::nullopt;
}

template <class T>
std::unique_ptr<T> Load(const Bytes& bytes) {
    CArchive ar(Registry(), bytes);
    auto object = ar.ReadOwned<T>();
    EXPECT_EQ(ar.BytesLeft(), 0u);
    return object;
}

template <class T>
std::optional<EArchiveError> LoadError(const Bytes& bytes) {
    return ErrorOf([&] {
        CArchive ar(Registry(), bytes);
        ar.ReadOwned<T>();
    });
}

std::unique_ptr<CItem> Item(std::uint32_t value, std::string text = "", std::uint32_t extra = 0) {
    auto item = std::make_unique<CItem>();
    item->value = value;
    item->text = std::move(text);
    item->extra = extra;
    return item;
}

// ---- primitives ---------------------------------------------------------------------------

TEST(ArchivePrimitives, LittleEndianValuesRoundTrip) {
    CArchive out;
    out.WriteByte(0xAB);
    out.WriteWord(0x1234);
    out.WriteDword(0x89ABCDEF);
    out.WriteInt(-2);
    EXPECT_EQ(out.Bytes(),
              (Bytes{0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF}));

    CArchive in(Registry(), out.Bytes());
    EXPECT_EQ(in.ReadByte(), 0xAB);
    EXPECT_EQ(in.ReadWord(), 0x1234);
    EXPECT_EQ(in.ReadDword(), 0x89ABCDEFu);
    EXPECT_EQ(in.ReadInt(), -2);
    EXPECT_EQ(ErrorOf([&] { in.ReadByte(); }), EArchiveError::kEndOfFile);
}

TEST(ArchivePrimitives, CountSwitchesToDwordAtFFFF) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {0, {0x00, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x12345678, {0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}},
    };
    for (const auto& [n, expected] : cases) {
        CArchive out;
        out.WriteCount(n);
        EXPECT_EQ(out.Bytes(), expected) << n;
        CArchive in(Registry(), out.Bytes());
        EXPECT_EQ(in.ReadCount(), n);
    }
}

TEST(ArchivePrimitives, StringLengthFormsAtEveryBoundary) {
    const std::pair<std::size_t, Bytes> cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& [length, header] : cases) {
        std::string s(length, 'x');
        if (length > 0) s.back() = 'z';
        CArchive out;
        out.WriteString(s);
        const Bytes& bytes = out.Bytes();
        ASSERT_EQ(bytes.size(), header.size() + length) << length;
        EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin())) << length;
        EXPECT_EQ(std::string(bytes.begin() + header.size(), bytes.end()), s);

        CArchive in(Registry(), bytes);
        EXPECT_EQ(in.ReadString(), s) << length;
        EXPECT_EQ(in.BytesLeft(), 0u);

        // One byte short of the text is an end of file, not a shorter string.
        std::span<const std::uint8_t> shortBytes(bytes.data(), bytes.size() - 1);
        CArchive truncated(Registry(), shortBytes);
        EXPECT_EQ(ErrorOf([&] { truncated.ReadString(); }), EArchiveError::kEndOfFile);
    }
}

TEST(ArchivePrimitives, WideStringIsReadAsUtf8) {
    Bytes bytes{0xFF, 0xFE, 0xFF, 0x05};
    // "A", e-acute, euro sign, then a grinning face as a surrogate pair
    Append(bytes, {0x41, 0x00, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE});
    CArchive in(Registry(), bytes);
    EXPECT_EQ(in.ReadString(), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");

    // The length after the marker may take its long form; a lone surrogate is replaced.
    Bytes longForm{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    for (int i = 0; i < 299; ++i) Append(longForm, {'w', 0x00});
    Append(longForm, {0x00, 0xDC});
    CArchive in2(Registry(), longForm);
    EXPECT_EQ(in2.ReadString(), std::string(299, 'w') + "\xEF\xBF\xBD");

    // Two bytes per unit: three units need six bytes.
    Bytes shortWide{0xFF, 0xFE, 0xFF, 0x03, 0x41, 0x00, 0x42, 0x00, 0x43};
    CArchive in3(Registry(), shortWide);
    EXPECT_EQ(ErrorOf([&] { in3.ReadString(); }), EArchiveError::kEndOfFile);
}

// ---- references and class records ---------------------------------------------------------

// The box with two items of one class and one of another, and a back reference.
Bytes NumberingExample() {
    Bytes b{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00};
    Append(b, "CBox");        // class 1, box object 2
    Append(b, {0x02, 0x00});  // two items
    Append(b, {0xFF, 0xFF, 0x03, 0x00, 0x05, 0x00});
    Append(b, "CItem");  // class 3, object 4
    Append(b, {0x01, 0, 0, 0, 0x01, 'x', 0x02, 0, 0, 0});
    Append(b, {0x03, 0x80});  // object 5 of class 3
    Append(b, {0x03, 0, 0, 0, 0x00, 0x00, 0, 0, 0});
    Append(b, {0x02, 0x00});  // two slots
    Append(b, {0xFF, 0xFF, 0x01, 0x00, 0x0C, 0x00});
    Append(b, "CSpecialItem");  // class 6, object 7
    Append(b, {0x05, 0, 0, 0, 0x09, 0x00});
    Append(b, {0x00, 0x00});              // empty slot
    Append(b, {0x01, 0x00, 0x34, 0x12});  // words
    Append(b, {0x05, 0x00});              // favourite: back to object 5
    Append(b, {0x00, 0x00});              // no inner box
    Append(b, {0x00, 0x00, 0x00, 0x00});  // empty maps
    return b;
}

TEST(ArchiveReferences, ClassesAndObjectsShareOneIndexSpace) {
    CBox box;
    box.items.push_back(Item(1, "x", 2));
    box.items.push_back(Item(3));
    auto special = std::make_unique<CSpecialItem>();
    special->value = 5;
    special->flag = 9;
    box.slots.push_back(std::move(special));
    box.slots.push_back(nullptr);
    box.words = {0x1234};
    box.favourite = box.items[1].get();

    CArchive out;
    out.WriteObject(&box);
    EXPECT_EQ(out.Bytes(), NumberingExample());

    auto read = Load<CBox>(NumberingExample());
    ASSERT_EQ(read->items.size(), 2u);
    EXPECT_EQ(read->items[0]->text, "x");
    EXPECT_EQ(read->items[0]->extra, 2u);
    EXPECT_EQ(read->items[1]->value, 3u);
    ASSERT_EQ(read->slots.size(), 2u);
    auto* readSpecial = dynamic_cast<CSpecialItem*>(read->slots[0].get());
    ASSERT_NE(readSpecial, nullptr);
    EXPECT_EQ(readSpecial->flag, 9);
    EXPECT_EQ(read->slots[1], nullptr);
    EXPECT_EQ(read->words, (std::vector<std::uint16_t>{0x1234}));
    EXPECT_EQ(read->favourite, read->items[1].get());
}

TEST(ArchiveReferences, LongFormsAbove7FFE) {
    // Class 1 is CItem; items take 2..0x7FFE, the CSpecialItem class 0x7FFF and its two
    // objects 0x8000 and 0x8001.
    std::vector<std::unique_ptr<CItem>> items;
    for (std::uint32_t i = 2; i <= 0x7FFE; ++i) items.push_back(Item(i));
    auto first = std::make_unique<CSpecialItem>();
    auto second = std::make_unique<CSpecialItem>();

    CArchive out;
    for (const auto& item : items) out.WriteObject(item.get());
    std::size_t mark = out.Bytes().size();
    out.WriteObject(first.get());
    out.WriteObject(second.get());
    out.WriteObject(items.back().get());
    out.WriteObject(first.get());

    Bytes tail(out.Bytes().begin() + mark, out.Bytes().end());
    Bytes expected{0xFF, 0xFF, 0x01, 0x00, 0x0C, 0x00};
    Append(expected, "CSpecialItem");
    Append(expected, {0, 0, 0, 0, 0, 0});
    Append(expected, {0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80, 0, 0, 0, 0, 0, 0});
    Append(expected, {0xFE, 0x7F});
    Append(expected, {0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00});
    EXPECT_EQ(tail, expected);

    CArchive in(Registry(), out.Bytes());
    std::vector<std::unique_ptr<CItem>> read;
    for (std::size_t i = 0; i < items.size(); ++i) read.push_back(in.ReadOwned<CItem>());
    auto readFirst = in.ReadOwned<CSpecialItem>();
    auto readSecond = in.ReadOwned<CSpecialItem>();
    ASSERT_NE(readSecond, nullptr);
    EXPECT_EQ(in.ReadShared<CItem>(), read.back().get());
    EXPECT_EQ(in.ReadShared<CItem>(), readFirst.get());
    EXPECT_EQ(read.back()->value, 0x7FFEu);
}

TEST(ArchiveReferences, StoredSchemaHoldsForTheRestOfTheArchive) {
    Bytes b{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00};
    Append(b, "CBox");
    Append(b, {0x01, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x05, 0x00});
    Append(b, "CItem");  // stored with schema 2: no extra field
    Append(b, {0x0A, 0, 0, 0, 0x01, 'q'});
    Append(b, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Append(b, {0x03, 0x80, 0x0B, 0, 0, 0, 0x00});  // later item, same stored schema

    CArchive in(Registry(), b);
    auto box = in.ReadOwned<CBox>();
    auto later = in.ReadOwned<CItem>();
    EXPECT_EQ(in.BytesLeft(), 0u);
    ASSERT_EQ(box->items.size(), 1u);
    EXPECT_EQ(box->items[0]->readSchema, 2);
    EXPECT_EQ(box->items[0]->text, "q");
    EXPECT_EQ(box->items[0]->extra, 7u);
    EXPECT_EQ(box->schemaAfterChildren, 1);  // the box's own schema again after its items
    EXPECT_EQ(later->readSchema, 2);
    EXPECT_EQ(later->value, 11u);
    EXPECT_EQ(later->extra, 7u);
}

TEST(ArchiveReferences, RegistryRefusesNamesThatCouldNotBeRead) {
    CClassRegistry r;
    EXPECT_THROW(r.Register<CItem>(std::string(64, 'N'), 1), std::invalid_argument);
    r.Register<CItem>(std::string(63, 'N'), 3);
    Bytes b{0xFF, 0xFF, 0x03, 0x00, 0x3F, 0x00};
    Append(b, std::string(63, 'N'));
    Append(b, {1, 0, 0, 0, 0, 1, 0, 0, 0});
    CArchive in(r, b);
    EXPECT_EQ(in.ReadOwned<CItem>()->value, 1u);
}

// ---- maps ---------------------------------------------------------------------------------

std::vector<std::string> KeysInFileOrder(const CStringMap<std::unique_ptr<CItem>>& map) {
    std::vector<std::string> keys;
    map.ForEach([&](const std::string& key, const auto&) { keys.push_back(key); });
    return keys;
}

TEST(ArchiveMaps, BucketsAscendingNewestFirstWithinABucket) {
    // "A", "R" and "c" share bucket 14; "key7" is in bucket 13; bytes above 0x7F count as
    // negative, which moves "\xE9A" to bucket 4 (it would be 2 if they counted unsigned).
    EXPECT_EQ(CStringMap<int>::BucketOf("A"), 14u);
    EXPECT_EQ(CStringMap<int>::BucketOf("key7"), 13u);
    EXPECT_EQ(CStringMap<int>::BucketOf("\xE9"
                                        "A"),
              4u);

    CStringMap<std::unique_ptr<CItem>> map;
    for (const char* key : {"A", "key7", "R",
                            "\xE9"
                            "A",
                            "c"})
        map.Set(key, Item(1));
    EXPECT_EQ(KeysInFileOrder(map), (std::vector<std::string>{"\xE9"
                                                              "A",
                                                              "key7", "c", "R", "A"}));

    // Replacing a value keeps the key's place; removing one keeps the others' order.
    map.Set("R", Item(2));
    map.Remove("c");
    EXPECT_EQ(KeysInFileOrder(map), (std::vector<std::string>{"\xE9"
                                                              "A",
                                                              "key7", "R", "A"}));
    EXPECT_EQ((*map.Find("R"))->value, 2u);

    CBox box;
    box.byName = std::move(map);
    CArchive out;
    out.WriteObject(&box);
    auto read = Load<CBox>(out.Bytes());
    // The reader inserts in file order, so a bucket comes back newest-last.
    EXPECT_EQ(KeysInFileOrder(read->byName), (std::vector<std::string>{"\xE9"
                                                                       "A",
                                                                       "key7", "A", "R"}));
}

TEST(ArchiveMaps, RemoveIfKeepsTheOrderOfTheRest) {
    CStringMap<std::unique_ptr<CItem>> map;
    for (const char* key : {"A", "key7", "R", "c"}) map.Set(key, Item(key[0] == 'R' ? 1 : 2));
    map.RemoveIf([](const std::string&, const std::unique_ptr<CItem>& v) { return v->value == 1; });
    EXPECT_EQ(map.Size(), 3u);
    EXPECT_EQ(map.Find("R"), nullptr);
    EXPECT_EQ(KeysInFileOrder(map), (std::vector<std::string>{"key7", "c", "A"}));
}

TEST(ArchiveMaps, SharedValuesAreBackReferences) {
    CBox box;
    box.items.push_back(Item(1));
    box.items.push_back(Item(2));
    box.aliases.Set("one", box.items[0].get());
    box.aliases.Set("two", box.items[1].get());
    CArchive out;
    out.WriteObject(&box);
    auto read = Load<CBox>(out.Bytes());
    ASSERT_EQ(read->aliases.Size(), 2u);
    EXPECT_EQ(*read->aliases.Find("one"), read->items[0].get());
    EXPECT_EQ(*read->aliases.Find("two"), read->items[1].get());

    // A value written nowhere before could not be read back, so the save is refused.
    auto stray = Item(3);
    box.aliases.Set("stray", stray.get());
    CArchive refused;
    EXPECT_EQ(ErrorOf([&] { refused.WriteObject(&box); }), EArchiveError::kBadIndex);
}

// ---- hostile input ------------------------------------------------------------------------

Bytes ItemStream(std::uint16_t schema) {
    Bytes b{0xFF, 0xFF, static_cast<std::uint8_t>(schema), 0x00, 0x05, 0x00};
    Append(b, "CItem");
    Append(b, {1, 0, 0, 0, 0, 1, 0, 0, 0});  // object 2
    return b;
}

TEST(ArchiveHostile, ClassRecordsThatCannotBeRead) {
    Bytes unknown{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00};
    Append(unknown, "CFoo");
    EXPECT_EQ(LoadError<CItem>(unknown), EArchiveError::kBadClass);

    Bytes tooLong{0xFF, 0xFF, 0x01, 0x00, 0x40, 0x00};
    Append(tooLong, std::string(64, 'C'));
    EXPECT_EQ(LoadError<CItem>(tooLong), EArchiveError::kBadClass);

    EXPECT_EQ(LoadError<CItem>(ItemStream(4)), EArchiveError::kBadSchema);
    EXPECT_EQ(LoadError<CItem>(ItemStream(3)), std::nullopt);
}

TEST(ArchiveHostile, ReferencesToIndicesNotAssigned) {
    EXPECT_EQ(LoadError<CItem>({0x01, 0x00}), EArchiveError::kBadIndex);
    EXPECT_EQ(LoadError<CItem>({0xFF, 0x7F, 0x01, 0x00, 0x00, 0x00}), EArchiveError::kBadIndex);
    EXPECT_EQ(LoadError<CItem>({0x00, 0x80}), EArchiveError::kBadIndex);
    EXPECT_EQ(LoadError<CItem>({0x01, 0x80}), EArchiveError::kBadIndex);

    auto after = [](std::initializer_list<int> tag, bool shared) {
        Bytes b = ItemStream(3);
        Append(b, tag);
        return ErrorOf([&] {
            CArchive in(Registry(), b);
            auto first = in.ReadOwned<CItem>();
            if (shared)
                in.ReadShared<CItem>();
            else
                in.ReadOwned<CItem>();
        });
    };
    EXPECT_EQ(after({0x03, 0x00}, true), EArchiveError::kBadIndex);   // not yet assigned
    EXPECT_EQ(after({0x01, 0x00}, true), EArchiveError::kBadIndex);   // a class, not an object
    EXPECT_EQ(after({0x02, 0x80}, false), EArchiveError::kBadIndex);  // an object, not a class
    EXPECT_EQ(after({0x02, 0x00}, true), std::nullopt);
    EXPECT_EQ(after({0x01, 0x80, 1, 0, 0, 0, 0, 1, 0, 0, 0}, false), std::nullopt);
    // One owner per object: an owned slot may not name an object read before, and a shared
    // slot may not bring a new one.
    EXPECT_EQ(after({0x02, 0x00}, false), EArchiveError::kBadIndex);
    EXPECT_EQ(after({0x01, 0x80, 1, 0, 0, 0, 0, 1, 0, 0, 0}, true), EArchiveError::kBadIndex);
}

TEST(ArchiveHostile, ObjectOfTheWrongClass) {
    EXPECT_EQ(LoadError<CBox>(ItemStream(3)), EArchiveError::kBadClass);

    Bytes special{0xFF, 0xFF, 0x01, 0x00, 0x0C, 0x00};
    Append(special, "CSpecialItem");
    Append(special, {5, 0, 0, 0, 9, 0});
    EXPECT_EQ(Load<CItem>(special)->value, 5u);  // a derived class is what was asked for
    Append(special, {0x02, 0x00});
    EXPECT_EQ(ErrorOf([&] {
                  CArchive in(Registry(), special);
                  auto item = in.ReadOwned<CItem>();
                  in.ReadShared<CBox>();
              }),
              EArchiveError::kBadClass);
}

// Boxes nested `levels` deep, each the inner box of the one before.
Bytes NestedBoxes(int levels) {
    Bytes b{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00};
    Append(b, "CBox");
    for (int i = 1; i < levels; ++i) Append(b, {0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x80});
    Append(b, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 0; i < levels; ++i) Append(b, {0, 0, 0, 0});
    return b;
}

TEST(ArchiveHostile, NestingDepthIsCapped) {
    EXPECT_EQ(LoadError<CBox>(NestedBoxes(CArchive::kMaxDepth)), std::nullopt);
    EXPECT_EQ(LoadError<CBox>(NestedBoxes(CArchive::kMaxDepth + 1)), EArchiveError::kTooDeep);
    EXPECT_EQ(LoadError<CBox>(NestedBoxes(100000)), EArchiveError::kTooDeep);
}

TEST(ArchiveHostile, HugeCountsFailBeforeAnythingGrows) {
    // Each count is followed by an element that would be a bad index if it were read: the
    // count must be refused against the bytes left before the first element.
    Bytes b{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00};
    Append(b, "CBox");
    Bytes list = b, words = b, map = b, string = ItemStream(3);
    Append(list, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x09, 0x00, 0, 0});
    Append(words, {0, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40, 1, 2});
    Append(map, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 9, 0});
    string.resize(string.size() - 5);
    Append(string, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'});
    EXPECT_EQ(LoadError<CBox>(list), EArchiveError::kEndOfFile);
    EXPECT_EQ(LoadError<CBox>(words), EArchiveError::kEndOfFile);
    EXPECT_EQ(LoadError<CBox>(map), EArchiveError::kEndOfFile);
    EXPECT_EQ(LoadError<CItem>(string), EArchiveError::kEndOfFile);
}

TEST(ArchiveHostile, DuplicateMapKeyIsRefused) {
    CBox box;
    box.byName.Set("a", Item(1));
    box.byName.Set("b", Item(2));
    CArchive out;
    out.WriteObject(&box);
    Bytes b = out.Bytes();
    auto key = std::find(b.begin(), b.end(), 'b');  // the second key's text
    ASSERT_NE(key, b.end());
    *key = 'a';
    EXPECT_EQ(LoadError<CBox>(b), EArchiveError::kDuplicateKey);
}

TEST(ArchiveHostile, IndexLimitCountsClassesAndObjects) {
    Bytes b = ItemStream(3);
    Append(b, {0x01, 0x80, 1, 0, 0, 0, 0, 1, 0, 0, 0});  // indices 1, 2 and 3
    auto readTwo = [&](std::uint32_t limit) {
        return ErrorOf([&] {
            CArchive in(Registry(), b);
            in.LimitIndices(limit);
            auto a = in.ReadOwned<CItem>();
            auto c = in.ReadOwned<CItem>();
        });
    };
    EXPECT_EQ(readTwo(3), std::nullopt);
    EXPECT_EQ(readTwo(2), EArchiveError::kBadIndex);

    auto item = Item(1);
    CArchive out;
    out.LimitIndices(1);
    EXPECT_EQ(ErrorOf([&] { out.WriteObject(item.get()); }), EArchiveError::kBadIndex);
}

TEST(ArchiveHostile, FailedArchiveRefusesFurtherReads) {
    Bytes b = ItemStream(3);
    Append(b, {0x09, 0x00, 0x02, 0x00});
    CArchive in(Registry(), b);
    auto item = in.ReadOwned<CItem>();
    EXPECT_EQ(ErrorOf([&] { in.ReadShared<CItem>(); }), EArchiveError::kBadIndex);
    // The next reference is valid, but the archive no longer trusts its own table.
    EXPECT_EQ(ErrorOf([&] { in.ReadShared<CItem>(); }), EArchiveError::kBadIndex);
}

// A stream using every feature; each of its proper prefixes must fail as an end of file,
// freeing whatever was read (the sanitizer build checks for leaks).
TEST(ArchiveHostile, EveryTruncationFailsCleanly) {
    CBox box;
    box.items.push_back(Item(1, std::string(300, 'p'), 2));
    box.items.push_back(Item(3, "three"));
    box.slots.push_back(std::make_unique<CSpecialItem>());
    box.slots.push_back(nullptr);
    box.words = {1, 2, 3};
    box.favourite = box.items[0].get();
    box.inner = std::make_unique<CBox>();
    box.inner->items.push_back(Item(4));
    box.inner->favourite = box.items[1].get();
    box.byName.Set("m", Item(5, "five"));
    box.aliases.Set("first", box.items[0].get());
    CArchive out;
    out.WriteObject(&box);
    const Bytes& full = out.Bytes();

    // A cut inside a class name is a bad class; CBox, CItem and CSpecialItem have 21 such
    // places between them. Every other cut is an end of file.
    int badClass = 0;
    for (std::size_t length = 0; length < full.size(); ++length) {
        Bytes prefix(full.begin(), full.begin() + length);
        std::optional<EArchiveError> error = LoadError<CBox>(prefix);
        ASSERT_TRUE(error == EArchiveError::kEndOfFile || error == EArchiveError::kBadClass)
            << length;
        badClass += error == EArchiveError::kBadClass;
    }
    EXPECT_EQ(badClass, 21);
    auto read = Load<CBox>(full);
    CArchive again;
    again.WriteObject(read.get());
    EXPECT_EQ(again.Bytes(), full);
}

}  // namespace
}  // namespace corvane
