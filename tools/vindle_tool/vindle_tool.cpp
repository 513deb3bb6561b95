// vindle-tool: lets a person look inside an index file from the command line: create one,
// add records from a text file, list records in key order, check, repair and dump it. A thin
// layer over libvindle; every decision about the tree is the library's. Single-threaded.
//
// Exit codes: 0 success, 1 the operation failed (or check found damage), 2 usage error.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "vindle.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Enough for the upper levels of the tree and a run of leaves to stay cached for one command.
constexpr unsigned kBufferCount = 256;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Offsets of the sizes in the head page (all u32, little-endian).
constexpr size_t kHeadPageSize = 8;
constexpr size_t kHeadKeySize = 12;
constexpr size_t kHeadDataSize = 16;
constexpr size_t kHeadAuxSize = 36;
constexpr size_t kHeadUnique = 44;
constexpr size_t kHeadBytes = 48;

struct UsageError {
    std::string text;
};
struct ToolError {
    std::string text;
};

const char kUsage[] =
    "usage: vindle-tool COMMAND FILE [ARGS]\n"
    "\n"
    "  create FILE [--page N] [--key N] [--data N] [--aux N] [--non-unique]\n"
    "      make a new, empty index (replaces FILE); defaults 4096/56/4/0, unique\n"
    "  add FILE KEYFILE\n"
    "      add one record per line of KEYFILE, written as KEY or KEY<TAB>DATA; both are\n"
    "      filled up with zero bytes to the index's sizes; empty lines are skipped\n"
    "  scan FILE [--from KEY] [--to KEY] [--reverse]\n"
    "      list records in key order, one per line (KEY<TAB>DATA); trailing zero bytes are\n"
    "      left out, other unprintable bytes shown as \\xNN; --reverse lists backwards\n"
    "  check FILE     print \"valid\" (exit 0) or \"damaged\" (exit 1)\n"
    "  repair FILE    rebuild the index from its leaf pages with its own sizes\n"
    "  dump FILE      print the head page and every page of the tree\n"
    "  --help         show this text\n";

// ---- arguments ----

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    bool Has(const std::string& name) const { return values.count(name) || flags.count(name); }
};

ParsedArgs ParseArgs(const std::vector<std::string>& args,
                     const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions) {
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(a);
        } else if (flagOptions.count(a)) {
            parsed.flags.insert(a);
        } else if (valueOptions.count(a)) {
            if (i + 1 >= args.size()) throw UsageError{"option " + a + " needs a value"};
            parsed.values[a] = args[++i];
        } else {
            throw UsageError{"unknown option " + a};
        }
    }
    return parsed;
}

void ExpectPositional(const ParsedArgs& parsed, size_t count, const char* what) {
    if (parsed.positional.size() != count) throw UsageError{std::string("expected ") + what};
}

unsigned ParseNumber(const std::string& option, const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        throw UsageError{"option " + option + " needs a whole number, not \"" + text + "\""};
    return value;
}

// ---- index file ----

struct Sizes {
    unsigned pageSize = 4096;
    unsigned keySize = 56;
    unsigned dataSize = 4;
    unsigned auxSize = 0;
    int unique = 1;
};

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The sizes as the head page states them; the library keeps them to itself.
Sizes ReadSizes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t head[kHeadBytes];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head))
        throw ToolError{"cannot read the head page of " + path};
    Sizes s;
    s.pageSize = Le32(head + kHeadPageSize);
    s.keySize = Le32(head + kHeadKeySize);
    s.dataSize = Le32(head + kHeadDataSize);
    s.auxSize = Le32(head + kHeadAuxSize);
    s.unique = Le32(head + kHeadUnique) != 0 ? 1 : 0;
    return s;
}

// Sizes the library can build a tree with: two records and two entries fit in a page and the
// free map keeps at least one byte. The library ends the process on anything else.
void ValidateSizes(const Sizes& s) {
    if (s.pageSize < 64 || s.pageSize > (1u << 20))
        throw UsageError{"page size must be between 64 and 1048576"};
    if (s.keySize == 0) throw UsageError{"key size must be at least 1"};
    if (uint64_t(s.auxSize) + 48 >= s.pageSize)
        throw UsageError{"aux size must leave room for the free map (less than page size - 48)"};
    uint64_t room = s.pageSize - 24;
    if (room / (uint64_t(s.keySize) + s.dataSize) < 2 || room / (uint64_t(s.keySize) + 4) < 2)
        throw UsageError{"page size too small: a page must hold at least two records"};
}

// An open index that is closed again on every way out.
class COpenIndex {
public:
    explicit COpenIndex(const std::string& path)
        : m_index(VindleOpenIndex(path.c_str(), kBufferCount)) {
        if (!m_index)
            throw ToolError{"cannot open index " + path +
                            " (missing, unreadable or not an index file)"};
        m_sizes = ReadSizes(path);
        m_path = path;
    }
    ~COpenIndex() { VindleCloseIndex(m_index); }
    COpenIndex(const COpenIndex&) = delete;
    COpenIndex& operator=(const COpenIndex&) = delete;

    VindleIndex* Get() const { return m_index; }
    const Sizes& GetSizes() const { return m_sizes; }

    // As many records as the file's pages can hold, were every page a full leaf.
    uint64_t RecordLimit() const {
        struct stat st;
        if (stat(m_path.c_str(), &st) != 0) return UINT64_MAX;
        const Sizes& s = m_sizes;
        return uint64_t(st.st_size) / s.pageSize *
               ((s.pageSize - 24) / (uint64_t(s.keySize) + s.dataSize));
    }

private:
    VindleIndex* m_index;
    Sizes m_sizes;
    std::string m_path;
};

// ---- records as text ----

struct Record {
    Bytes key;
    Bytes data;
};

// The library takes a null pointer for "no buffer", also where a field is zero bytes long.
unsigned char* Buffer(Bytes& b) {
    static unsigned char none;
    return b.empty() ? &none : b.data();
}

// A scan that is closed on every way out and stops where a damaged index would keep it going
// for ever: a scan that yields more records than the file can hold runs round a ring of
// leaves.
class CScan {
public:
    CScan(const COpenIndex& index, Bytes from, Bytes to)
        : m_scan(VindleCreateScanRange(index.Get(), from.data(), to.data())),
          m_limit(index.RecordLimit()) {}
    ~CScan() { VindleScanClose(m_scan); }
    CScan(const CScan&) = delete;
    CScan& operator=(const CScan&) = delete;

    bool Next(Record& r) { return Take(VindleScanGetNext(m_scan, Buffer(r.key), Buffer(r.data))); }
    bool Prev(Record& r) { return Take(VindleScanGetPrev(m_scan, Buffer(r.key), Buffer(r.data))); }

private:
    bool Take(int got) {
        if (got && ++m_count > 2 * m_limit + 1)  // a backward listing walks the range twice
            throw ToolError{
                "the scan yields more records than the file can hold: its leaves "
                "are linked in a ring (run check and repair)"};
        return got != 0;
    }

    VindleScan* m_scan;
    uint64_t m_limit;
    uint64_t m_count = 0;
};

Bytes Padded(const std::string& text, unsigned size) {
    Bytes b(size, 0);
    std::copy(text.begin(), text.end(), b.begin());
    return b;
}

// Trailing zero bytes are padding; every other byte outside printable ASCII is escaped.
std::string Printable(const Bytes& bytes) {
    size_t n = bytes.size();
    while (n > 0 && bytes[n - 1] == 0) --n;
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        uint8_t c = bytes[i];
        if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else {
            char esc[5];
            snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        }
    }
    return out;
}

void PrintRecord(const Record& r) {
    std::string line = Printable(r.key);
    if (!r.data.empty()) line += "\t" + Printable(r.data);
    puts(line.c_str());
}

std::string LineError(const std::string& file, size_t line, const char* field, size_t length,
                      unsigned size) {
    return file + " line " + std::to_string(line) + ": " + field + " is " + std::to_string(length) +
           " bytes, longer than the index's " + field + " size of " + std::to_string(size);
}

// The whole key file is read and checked before the first record is added, so that a bad line
// leaves the index as it was.
std::vector<Record> ReadKeyFile(const std::string& file, const Sizes& s) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ToolError{"cannot read key file " + file};
    std::vector<Record> records;
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        size_t tab = line.find('\t');
        std::string key = line.substr(0, tab);
        std::string data = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        if (key.size() > s.keySize)
            throw ToolError{LineError(file, number, "key", key.size(), s.keySize)};
        if (data.size() > s.dataSize)
            throw ToolError{LineError(file, number, "data", data.size(), s.dataSize)};
        records.push_back({Padded(key, s.keySize), Padded(data, s.dataSize)});
    }
    return records;
}

// ---- commands ----

int RunCreate(const std::vector<std::string>& args) {
    ParsedArgs p = ParseArgs(args, {"--page", "--key", "--data", "--aux"}, {"--non-unique"});
    ExpectPositional(p, 1, "create FILE [options]");
    Sizes s;
    if (p.values.count("--page")) s.pageSize = ParseNumber("--page", p.values["--page"]);
    if (p.values.count("--key")) s.keySize = ParseNumber("--key", p.values["--key"]);
    if (p.values.count("--data")) s.dataSize = ParseNumber("--data", p.values["--data"]);
    if (p.values.count("--aux")) s.auxSize = ParseNumber("--aux", p.values["--aux"]);
    s.unique = p.Has("--non-unique") ? 0 : 1;
    ValidateSizes(s);
    const std::string& path = p.positional[0];
    VindleCreateIndex(path.c_str(), s.pageSize, s.keySize, s.dataSize, s.auxSize, s.unique);
    printf("created %s: page %u, key %u, data %u, aux %u, %s\n", path.c_str(), s.pageSize,
           s.keySize, s.dataSize, s.auxSize, s.unique ? "unique" : "non-unique");
    return 0;
}

int RunAdd(const std::vector<std::string>& args) {
    ParsedArgs p = ParseArgs(args, {}, {});
    ExpectPositional(p, 2, "add FILE KEYFILE");
    COpenIndex index(p.positional[0]);
    std::vector<Record> records = ReadKeyFile(p.positional[1], index.GetSizes());
    size_t added = 0, rejected = 0;
    for (Record& r : records) {
        if (VindleAddKey(index.Get(), Buffer(r.key), Buffer(r.data)))
            ++added;
        else
            ++rejected;
    }
    printf("added %zu, rejected %zu as already present\n", added, rejected);
    return 0;
}

void PrintForward(CScan& scan, const Sizes& s) {
    Record r{Bytes(s.keySize), Bytes(s.dataSize)};
    while (scan.Next(r)) PrintRecord(r);
}

// A scan can only be placed at its start key, so a backward listing first walks forward to the
// end of the range and then comes back with get-previous. The forward walk stops either on a
// record past the range (copied out, key > to) or because the records ran out (nothing copied,
// the scan stands on the last record, which get-previous would step over).
void PrintBackward(CScan& scan, const Bytes& to, const Sizes& s) {
    Record r{Bytes(s.keySize), Bytes(s.dataSize)}, last = r;
    bool haveLast = false;
    for (;;) {
        r.key = to;
        if (!scan.Next(r)) break;
        last = r;
        haveLast = true;
    }
    bool overshot = memcmp(r.key.data(), to.data(), s.keySize) > 0;
    if (!overshot && haveLast) PrintRecord(last);
    while (scan.Prev(r)) PrintRecord(r);
}

Bytes KeyOption(const ParsedArgs& p, const char* name, const Sizes& s, uint8_t fill) {
    auto it = p.values.find(name);
    if (it == p.values.end()) return Bytes(s.keySize, fill);
    if (it->second.size() > s.keySize)
        throw UsageError{std::string(name) + " key is longer than the key size of " +
                         std::to_string(s.keySize)};
    return Padded(it->second, s.keySize);
}

int RunScan(const std::vector<std::string>& args) {
    ParsedArgs p = ParseArgs(args, {"--from", "--to"}, {"--reverse"});
    ExpectPositional(p, 1, "scan FILE [--from KEY] [--to KEY] [--reverse]");
    COpenIndex index(p.positional[0]);
    const Sizes& s = index.GetSizes();
    Bytes from = KeyOption(p, "--from", s, 0x00), to = KeyOption(p, "--to", s, 0xFF);
    if (memcmp(from.data(), to.data(), s.keySize) > 0)
        throw UsageError{"--from must not sort after --to"};
    CScan scan(index, from, to);
    if (p.Has("--reverse"))
        PrintBackward(scan, to, s);
    else
        PrintForward(scan, s);
    return 0;
}

int RunCheck(const std::vector<std::string>& args) {
    ParsedArgs p = ParseArgs(args, {}, {});
    ExpectPositional(p, 1, "check FILE");
    COpenIndex index(p.positional[0]);
    bool valid = VindleCheckIndex(index.Get()) == 1;
    puts(valid ? "valid" : "damaged");
    return valid ? 0 : kExitFailed;
}

size_t CountRecords(const COpenIndex& index) {
    const Sizes& s = index.GetSizes();
    Record r{Bytes(s.keySize), Bytes(s.dataSize)};
    CScan scan(index, Bytes(s.keySize, 0x00), Bytes(s.keySize, 0xFF));
    size_t n = 0;
    while (scan.Next(r)) ++n;
    return n;
}

int RunRepair(const std::vector<std::string>& args) {
    ParsedArgs p = ParseArgs(args, {}, {});
    ExpectPositional(p, 1, "repair FILE");
    COpenIndex index(p.positional[0]);
    const Sizes& s = index.GetSizes();
    VindleRepairIndex(index.Get(), s.pageSize, s.keySize, s.dataSize, s.auxSize, s.unique);
    if (VindleCheckIndex(index.Get()) != 1) {
        puts("repaired, but still damaged");
        return kExitFailed;
    }
    printf("repaired: valid, %zu records\n", CountRecords(index));
    return 0;
}

int RunDump(const std::vector<std::string>& args) {
    ParsedArgs p = ParseArgs(args, {}, {});
    ExpectPositional(p, 1, "dump FILE");
    COpenIndex index(p.positional[0]);
    fflush(stdout);
    VindleDumpIndex(index.Get());
    return 0;
}

int Dispatch(const std::string& command, const std::vector<std::string>& args) {
    using Runner = int (*)(const std::vector<std::string>&);
    static const std::map<std::string, Runner> commands = {
        {"create", RunCreate}, {"add", RunAdd},       {"scan", RunScan},
        {"check", RunCheck},   {"repair", RunRepair}, {"dump", RunDump},
    };
    auto it = commands.find(command);
    if (it == commands.end()) throw UsageError{"unknown command \"" + command + "\""};
    return it->second(args);
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

}  // namespace

// The library's fatal failures end the process; say whose they are.
extern "C" void VindleReportFatal(const char* text) {
    fprintf(stderr, "vindle-tool: %s\n", text);
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || WantsHelp(args)) {
        fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : 0;
    }
    try {
        return Dispatch(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& e) {
        fprintf(stderr, "vindle-tool: %s\n(see vindle-tool --help)\n", e.text.c_str());
        return kExitUsage;
    } catch (const ToolError& e) {
        fprintf(stderr, "vindle-tool: %s\n", e.text.c_str());
        return kExitFailed;
    }
}
