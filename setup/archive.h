#pragma once
// The object archive of setup files: little-endian primitives, strings, tagged object
// references with one index space for classes and objects, and the containers the setup
// records are made of. One CArchive writes or reads one file's worth of bytes and is used by
// one thread (the main thread's Save and Load). Loading reads from bytes the caller holds and
// treats them as hostile: every failure is a CArchiveException with a kind, and everything
// read so far is owned by unique_ptr, so an abandoned load frees it. Objects read into owned
// slots are handed to the caller; shared slots get a pointer to an object read earlier, owned
// by whoever took it then.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace corvane {

class CArchive;

enum class EArchiveError {
    kEndOfFile,     // the bytes end before the value does
    kBadIndex,      // a reference names no object or class of the right sort, or too many indices
    kBadClass,      // unknown or over-long class name, or an object of an unexpected class
    kBadSchema,     // a class record newer than the one this program writes
    kTooDeep,       // objects nested deeper than any setup file needs
    kDuplicateKey,  // a map names one key twice: the second value would free an object in use
};

class CArchiveException : public std::exception {
public:
    explicit CArchiveException(EArchiveError kind) : m_kind(kind) {}
    EArchiveError Kind() const { return m_kind; }
    const char* what() const noexcept override;

private:
    EArchiveError m_kind;
};

// Base of every record that goes into a setup file. Serialize writes the body when
// ar.IsStoring(), otherwise reads it, asking ar.Schema() which fields the stored body holds.
class CSerializable {
public:
    virtual ~CSerializable() = default;
    virtual std::string_view ClassName() const = 0;
    virtual std::uint16_t Schema() const = 0;  // the schema this program writes
    virtual void Serialize(CArchive& ar) = 0;
};

// Class names a reader will create, each with the schema this program writes and a factory.
// Built once before loading; an archive only reads it.
class CClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<CSerializable>()>;
    struct CEntry {
        std::string name;
        std::uint16_t schema;
        Factory factory;
    };

    static constexpr std::size_t kMaxNameLength = 63;

    // A name longer than kMaxNameLength could never be read back, so it is refused here.
    void Register(std::string name, std::uint16_t schema, Factory factory);
    template <class T>
    void Register(std::string name, std::uint16_t schema) {
        Register(std::move(name), schema, [] { return std::make_unique<T>(); });
    }
    const CEntry* Find(std::string_view name) const;

private:
    std::map<std::string, CEntry, std::less<>> m_entries;
};

// String-keyed map that remembers insertion order inside each of its 17 buckets, because
// setup files list map pairs bucket by bucket, newest first within a bucket.
template <class V>
class CStringMap {
public:
    static constexpr std::uint32_t kBuckets = 17;

    static std::uint32_t BucketOf(std::string_view key) {
        std::uint32_t h = 0;
        for (char c : key) h = h * 33 + static_cast<std::uint32_t>(static_cast<signed char>(c));
        return h % kBuckets;
    }

    std::size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }

    V* Find(std::string_view key) {
        for (auto& [k, v] : m_buckets[BucketOf(key)])
            if (k == key) return &v;
        return nullptr;
    }
    const V* Find(std::string_view key) const { return const_cast<CStringMap*>(this)->Find(key); }

    // An existing key keeps its place and takes the new value; a new key becomes the newest.
    void Set(std::string key, V value) {
        if (V* existing = Find(key)) {
            *existing = std::move(value);
            return;
        }
        m_buckets[BucketOf(key)].emplace_back(std::move(key), std::move(value));
        ++m_size;
    }

    bool Remove(std::string_view key) {
        auto& bucket = m_buckets[BucketOf(key)];
        for (auto it = bucket.begin(); it != bucket.end(); ++it) {
            if (it->first == key) {
                bucket.erase(it);
                --m_size;
                return true;
            }
        }
        return false;
    }

    template <class Pred>
    void RemoveIf(Pred pred) {
        for (auto& bucket : m_buckets) {
            std::erase_if(bucket, [&](auto& kv) { return pred(kv.first, kv.second); });
        }
        m_size = 0;
        for (auto& bucket : m_buckets) m_size += bucket.size();
    }

    void Clear() {
        for (auto& bucket : m_buckets) bucket.clear();
        m_size = 0;
    }

    // Visits the pairs in file order: buckets ascending, newest key first in each bucket.
    template <class F>
    void ForEach(F&& f) const {
        for (const auto& bucket : m_buckets)
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) f(it->first, it->second);
    }

private:
    std::vector<std::pair<std::string, V>> m_buckets[kBuckets];  // oldest first
    std::size_t m_size = 0;
};

class CArchive {
public:
    static constexpr std::uint32_t kMaxIndices = 0x3FFFFFFE;
    static constexpr int kMaxDepth = 32;

    // Storing: bytes collect in Bytes().
    CArchive();
    // Loading from bytes that must outlive the archive, creating objects from the registry.
    CArchive(const CClassRegistry& registry, std::span<const std::uint8_t> bytes);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_storing; }
    bool IsLoading() const { return !m_storing; }
    const std::vector<std::uint8_t>& Bytes() const { return m_out; }
    std::size_t BytesLeft() const { return m_in.size() - m_pos; }

    // The schema of the body being serialised: while loading, the one its class record
    // named (remembered for the class for the rest of the archive).
    std::uint16_t Schema() const { return m_schema; }

    // Only lowers the index limit, so tests can reach it without a billion objects.
    void LimitIndices(std::uint32_t limit);

    void WriteByte(std::uint8_t v);
    void WriteWord(std::uint16_t v);
    void WriteDword(std::uint32_t v);
    void WriteInt(std::int32_t v) { WriteDword(static_cast<std::uint32_t>(v)); }
    void WriteCount(std::uint32_t n);
    void WriteString(std::string_view s);

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    std::int32_t ReadInt() { return static_cast<std::int32_t>(ReadDword()); }
    std::uint32_t ReadCount();
    // Accepts the wide form too, returning its text as UTF-8.
    std::string ReadString();

    // Either direction, for Serialize bodies whose fields do not depend on the schema.
    void Transfer(std::uint8_t& v) { m_storing ? WriteByte(v) : void(v = ReadByte()); }
    void Transfer(std::uint16_t& v) { m_storing ? WriteWord(v) : void(v = ReadWord()); }
    void Transfer(std::uint32_t& v) { m_storing ? WriteDword(v) : void(v = ReadDword()); }
    void Transfer(std::int32_t& v) { m_storing ? WriteInt(v) : void(v = ReadInt()); }
    void Transfer(std::string& v) { m_storing ? WriteString(v) : void(v = ReadString()); }

    // Null, a reference to an object written before, or a new object with its body.
    void WriteObject(const CSerializable* object);
    // For a slot read back with ReadShared: null or an object written before. Anything else
    // is refused (bad index) rather than saved as a file that cannot be loaded.
    void WriteShared(const CSerializable* object);

    // An owned slot: null or a new object of class T (or derived). A back reference here
    // would give the object a second owner and is a bad index.
    template <class T>
    std::unique_ptr<T> ReadOwned() {
        std::unique_ptr<CSerializable> object = ReadNewObject(
            [](const CSerializable& o) { return dynamic_cast<const T*>(&o) != nullptr; });
        return std::unique_ptr<T>(static_cast<T*>(object.release()));
    }

    // A shared slot: null or an object of class T (or derived) read earlier and owned
    // elsewhere. A new object here would have no owner and is a bad index. The pointer is
    // only as good as its owner: objects read into owned slots must be kept until the load
    // ends, or a later shared slot could name a freed one.
    template <class T>
    T* ReadShared() {
        CSerializable* object = ReadBackReference();
        if (object == nullptr) return nullptr;
        T* typed = dynamic_cast<T*>(object);
        if (typed == nullptr) Fail(EArchiveError::kBadClass);
        return typed;
    }

    // Containers. Reading appends elements as they arrive, so a failed load keeps what came
    // before the failure; a count is checked against the bytes left before anything grows.
    // A null reference in a list is skipped: no list of the setup holds one.
    template <class T>
    void SerializeList(std::vector<std::unique_ptr<T>>& list) {
        if (m_storing) {
            WriteCount(static_cast<std::uint32_t>(list.size()));
            for (const auto& object : list) WriteObject(object.get());
            return;
        }
        std::uint32_t n = ReadElementCount(2);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::unique_ptr<T> object = ReadOwned<T>();
            if (object) list.push_back(std::move(object));
        }
    }

    // Slots stay in place, null where the array has a hole.
    template <class T>
    void SerializeArray(std::vector<std::unique_ptr<T>>& array) {
        if (m_storing) {
            WriteCount(static_cast<std::uint32_t>(array.size()));
            for (const auto& object : array) WriteObject(object.get());
            return;
        }
        std::uint32_t n = ReadElementCount(2);
        for (std::uint32_t i = 0; i < n; ++i) array.push_back(ReadOwned<T>());
    }

    void SerializeWords(std::vector<std::uint16_t>& words);

    template <class T>
    void SerializeMap(CStringMap<std::unique_ptr<T>>& map) {
        SerializeMapWith(
            map, [this](const std::unique_ptr<T>& v) { WriteObject(v.get()); },
            [this] { return ReadOwned<T>(); });
    }
    // Values of a non-owning map are written as references to objects written before.
    template <class T>
    void SerializeMap(CStringMap<T*>& map) {
        SerializeMapWith(
            map, [this](T* v) { WriteShared(v); }, [this] { return ReadShared<T>(); });
    }

private:
    struct CSlot {
        const CClassRegistry::CEntry* cls = nullptr;  // set for a class index
        CSerializable* object = nullptr;              // set for an object index
    };

    [[noreturn]] void Fail(EArchiveError kind);
    void Need(std::size_t n);
    std::uint32_t ReadStringLength(bool* wide);
    std::uint32_t ReadElementCount(std::size_t minBytesEach);
    std::uint32_t NextIndex();
    void WriteTag(std::uint32_t index, bool newObjectOfClass);
    void WriteClassRecord(const CSerializable& object);

    // Reads a tag; returns the object for a back reference, or sets *cls for a new object.
    CSerializable* ReadTag(const CClassRegistry::CEntry** cls);
    const CClassRegistry::CEntry* ReadClassRecord();
    std::unique_ptr<CSerializable> ReadNewObject(bool (*isExpected)(const CSerializable&));
    CSerializable* ReadBackReference();
    void SerializeBody(CSerializable& object, std::uint16_t schema);

    template <class V, class Write, class Read>
    void SerializeMapWith(CStringMap<V>& map, Write write, Read read) {
        if (m_storing) {
            WriteCount(static_cast<std::uint32_t>(map.Size()));
            map.ForEach([&](const std::string& key, const V& value) {
                WriteString(key);
                write(value);
            });
            return;
        }
        std::uint32_t n = ReadElementCount(3);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::string key = ReadString();
            V value = read();
            if (map.Find(key) != nullptr) Fail(EArchiveError::kDuplicateKey);
            map.Set(std::move(key), std::move(value));
        }
    }

    bool m_storing;
    std::optional<EArchiveError> m_failure;
    const CClassRegistry* m_registry = nullptr;
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
    std::vector<std::uint8_t> m_out;

    std::uint32_t m_lastIndex = 0;
    std::uint32_t m_indexLimit = kMaxIndices;
    std::uint16_t m_schema = 0;
    int m_depth = 0;

    // Storing: the index each class name and object was given.
    std::unordered_map<std::string, std::uint32_t> m_writtenClasses;
    std::unordered_map<const CSerializable*, std::uint32_t> m_writtenObjects;
    // Loading: what each index names (slot 0 is the null reference), and the schema last
    // stored for each class.
    std::vector<CSlot> m_slots;
    std::unordered_map<const CClassRegistry::CEntry*, std::uint16_t> m_storedSchema;
};

}  // namespace corvane
