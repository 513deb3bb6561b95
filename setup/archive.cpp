#include "setup/archive.h"

#include <stdexcept>

namespace corvane {

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kLongTag = 0x7FFF;
constexpr std::uint32_t kNewObjectBit = 0x80000000;
constexpr std::uint16_t kWideMarker = 0xFFFE;

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Old files may hold UTF-16 text; this system's strings are UTF-8. A lone surrogate cannot
// be expressed in UTF-8 and becomes the replacement character.
std::string Utf16ToUtf8(std::span<const std::uint8_t> bytes) {
    std::string out;
    std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

const char* CArchiveException::what() const noexcept {
    switch (m_kind) {
        case EArchiveError::kEndOfFile:
            return "archive: unexpected end of data";
        case EArchiveError::kBadIndex:
            return "archive: bad object or class index";
        case EArchiveError::kBadClass:
            return "archive: bad class";
        case EArchiveError::kBadSchema:
            return "archive: schema newer than this program's";
        case EArchiveError::kTooDeep:
            return "archive: objects nested too deep";
        case EArchiveError::kDuplicateKey:
            return "archive: map key stored twice";
    }
    return "archive: error";
}

void CClassRegistry::Register(std::string name, std::uint16_t schema, Factory factory) {
    if (name.empty() || name.size() > kMaxNameLength)
        throw std::invalid_argument("class name length out of range");
    CEntry entry{name, schema, std::move(factory)};
    m_entries.insert_or_assign(std::move(name), std::move(entry));
}

const CClassRegistry::CEntry* CClassRegistry::Find(std::string_view name) const {
    auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->second;
}

CArchive::CArchive() : m_storing(true) {}

CArchive::CArchive(const CClassRegistry& registry, std::span<const std::uint8_t> bytes)
    : m_storing(false), m_registry(&registry), m_in(bytes), m_slots(1) {}

void CArchive::LimitIndices(std::uint32_t limit) {
    if (limit < m_indexLimit) m_indexLimit = limit;
}

// After a failure the slots may name objects the unwinding freed, so every later read
// repeats the first error instead of handing them out.
void CArchive::Fail(EArchiveError kind) {
    if (!m_failure) m_failure = kind;
    throw CArchiveException(*m_failure);
}

void CArchive::Need(std::size_t n) {
    if (m_failure || n > BytesLeft()) Fail(EArchiveError::kEndOfFile);
}

// ---- primitives -------------------------------------------------------------------------

void CArchive::WriteByte(std::uint8_t v) {
    m_out.push_back(v);
}

void CArchive::WriteWord(std::uint16_t v) {
    m_out.push_back(static_cast<std::uint8_t>(v));
    m_out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void CArchive::WriteDword(std::uint32_t v) {
    WriteWord(static_cast<std::uint16_t>(v));
    WriteWord(static_cast<std::uint16_t>(v >> 16));
}

void CArchive::WriteCount(std::uint32_t n) {
    if (n < 0xFFFF) {
        WriteWord(static_cast<std::uint16_t>(n));
    } else {
        WriteWord(0xFFFF);
        WriteDword(n);
    }
}

void CArchive::WriteString(std::string_view s) {
    if (s.size() > 0xFFFFFFFFu) throw std::length_error("string too long for an archive");
    auto n = static_cast<std::uint32_t>(s.size());
    if (n < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(n));
    } else if (n < kWideMarker) {
        WriteByte(0xFF);
        WriteWord(static_cast<std::uint16_t>(n));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDword(n);
    }
    m_out.insert(m_out.end(), s.begin(), s.end());
}

std::uint8_t CArchive::ReadByte() {
    Need(1);
    return m_in[m_pos++];
}

std::uint16_t CArchive::ReadWord() {
    Need(2);
    auto v = static_cast<std::uint16_t>(m_in[m_pos] | (m_in[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint32_t CArchive::ReadDword() {
    std::uint32_t low = ReadWord();
    std::uint32_t high = ReadWord();
    return low | (high << 16);
}

std::uint32_t CArchive::ReadCount() {
    std::uint16_t n = ReadWord();
    return n < 0xFFFF ? n : ReadDword();
}

// *wide is set when the length announces UTF-16 text; the length after that marker is a
// plain one.
std::uint32_t CArchive::ReadStringLength(bool* wide) {
    std::uint8_t b = ReadByte();
    if (b < 0xFF) return b;
    std::uint16_t w = ReadWord();
    if (w == kWideMarker && wide != nullptr) {
        *wide = true;
        return ReadStringLength(nullptr);
    }
    return w < 0xFFFF ? w : ReadDword();
}

std::string CArchive::ReadString() {
    bool wide = false;
    std::uint64_t n = ReadStringLength(&wide);
    std::uint64_t bytes = wide ? 2 * n : n;
    Need(bytes);  // before allocating: the length is the file's word, not the truth
    auto data = m_in.subspan(m_pos, bytes);
    m_pos += bytes;
    if (wide) return Utf16ToUtf8(data);
    return std::string(data.begin(), data.end());
}

std::uint32_t CArchive::ReadElementCount(std::size_t minBytesEach) {
    std::uint32_t n = ReadCount();
    if (n > BytesLeft() / minBytesEach) Fail(EArchiveError::kEndOfFile);
    return n;
}

void CArchive::SerializeWords(std::vector<std::uint16_t>& words) {
    if (m_storing) {
        WriteCount(static_cast<std::uint32_t>(words.size()));
        for (std::uint16_t w : words) WriteWord(w);
        return;
    }
    std::uint32_t n = ReadElementCount(2);
    for (std::uint32_t i = 0; i < n; ++i) words.push_back(ReadWord());
}

// ---- object references ------------------------------------------------------------------

std::uint32_t CArchive::NextIndex() {
    if (m_lastIndex >= m_indexLimit) Fail(EArchiveError::kBadIndex);
    return ++m_lastIndex;
}

void CArchive::WriteTag(std::uint32_t index, bool newObjectOfClass) {
    if (index < kLongTag) {
        WriteWord(static_cast<std::uint16_t>(newObjectOfClass ? 0x8000 | index : index));
    } else {
        WriteWord(kLongTag);
        WriteDword(newObjectOfClass ? kNewObjectBit | index : index);
    }
}

void CArchive::WriteClassRecord(const CSerializable& object) {
    std::string_view name = object.ClassName();
    if (name.size() > CClassRegistry::kMaxNameLength) Fail(EArchiveError::kBadClass);
    WriteWord(kNewClassTag);
    WriteWord(object.Schema());
    WriteWord(static_cast<std::uint16_t>(name.size()));
    m_out.insert(m_out.end(), name.begin(), name.end());
    m_writtenClasses.emplace(std::string(name), NextIndex());
}

void CArchive::WriteObject(const CSerializable* object) {
    if (object == nullptr) {
        WriteWord(0);
        return;
    }
    if (auto it = m_writtenObjects.find(object); it != m_writtenObjects.end()) {
        WriteTag(it->second, false);
        return;
    }
    auto cls = m_writtenClasses.find(std::string(object->ClassName()));
    if (cls != m_writtenClasses.end())
        WriteTag(cls->second, true);
    else
        WriteClassRecord(*object);
    // The index comes before the body so that the body can refer back to its own object.
    m_writtenObjects.emplace(object, NextIndex());
    // Serialize both reads and writes, so it cannot be const; storing leaves the object as is.
    SerializeBody(const_cast<CSerializable&>(*object), object->Schema());
}

void CArchive::WriteShared(const CSerializable* object) {
    if (object != nullptr && !m_writtenObjects.contains(object)) Fail(EArchiveError::kBadIndex);
    WriteObject(object);
}

const CClassRegistry::CEntry* CArchive::ReadClassRecord() {
    std::uint16_t schema = ReadWord();
    std::uint16_t length = ReadWord();
    // A name cut short is a bad class rather than an end of file, like an over-long one.
    if (length > CClassRegistry::kMaxNameLength || length > BytesLeft())
        Fail(EArchiveError::kBadClass);
    std::string_view name(reinterpret_cast<const char*>(m_in.data() + m_pos), length);
    m_pos += length;
    const CClassRegistry::CEntry* cls = m_registry->Find(name);
    if (cls == nullptr) Fail(EArchiveError::kBadClass);
    // A newer body holds fields this program does not know; reading on would fall out of
    // step with the stream, so the file is refused here.
    if (schema > cls->schema) Fail(EArchiveError::kBadSchema);
    m_storedSchema[cls] = schema;
    std::uint32_t index = NextIndex();
    m_slots.resize(index + 1);
    m_slots[index].cls = cls;
    return cls;
}

CSerializable* CArchive::ReadTag(const CClassRegistry::CEntry** cls) {
    *cls = nullptr;
    std::uint16_t w = ReadWord();
    if (w == kNewClassTag) {
        *cls = ReadClassRecord();
        return nullptr;
    }
    std::uint32_t t = w == kLongTag ? ReadDword() : ((w & 0x7FFFu) | ((w & 0x8000u) << 16));
    std::uint32_t index = t & ~kNewObjectBit;
    if (index > m_lastIndex) Fail(EArchiveError::kBadIndex);
    const CSlot& slot = m_slots[index];
    if ((t & kNewObjectBit) == 0) {
        if (index != 0 && slot.object == nullptr) Fail(EArchiveError::kBadIndex);
        return slot.object;
    }
    if (slot.cls == nullptr) Fail(EArchiveError::kBadIndex);
    *cls = slot.cls;
    return nullptr;
}

void CArchive::SerializeBody(CSerializable& object, std::uint16_t schema) {
    if (m_depth >= kMaxDepth) Fail(EArchiveError::kTooDeep);
    std::uint16_t outerSchema = m_schema;
    ++m_depth;
    m_schema = schema;
    object.Serialize(*this);
    m_schema = outerSchema;
    --m_depth;
}

std::unique_ptr<CSerializable> CArchive::ReadNewObject(bool (*isExpected)(const CSerializable&)) {
    const CClassRegistry::CEntry* cls = nullptr;
    CSerializable* earlier = ReadTag(&cls);
    if (earlier != nullptr) Fail(EArchiveError::kBadIndex);
    if (cls == nullptr) return nullptr;
    std::unique_ptr<CSerializable> object = cls->factory();
    if (!object || !isExpected(*object)) Fail(EArchiveError::kBadClass);
    std::uint32_t index = NextIndex();
    m_slots.resize(index + 1);
    m_slots[index].object = object.get();
    SerializeBody(*object, m_storedSchema.at(cls));
    return object;
}

CSerializable* CArchive::ReadBackReference() {
    const CClassRegistry::CEntry* cls = nullptr;
    CSerializable* earlier = ReadTag(&cls);
    if (cls != nullptr) Fail(EArchiveError::kBadIndex);
    return earlier;
}

}  // namespace corvane
