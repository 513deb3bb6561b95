#pragma once
// What the store's tests share: a fresh folder per test with the download directory one level
// below it (so a test can see that nothing lands beside it), a file name/size index kept in
// memory, and small file helpers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "store/attachment_decoder.h"
#include "store/file_registry.h"

namespace corvane::test {

class CFakeRegistry : public IFileRegistry {
public:
    using Key = std::pair<std::string, std::uint64_t>;
    bool UseFileDatabase() override { return m_useFileDatabase; }
    bool FileKnown(std::string_view name, std::uint64_t length) override {
        std::lock_guard lock(m_mutex);
        return std::find(m_known.begin(), m_known.end(), MakeKey(name, length)) != m_known.end();
    }
    void RememberFile(std::string_view name, std::uint64_t length) override {
        std::lock_guard lock(m_mutex);
        m_remembered.push_back(MakeKey(name, length));
        if (std::find(m_known.begin(), m_known.end(), MakeKey(name, length)) == m_known.end())
            m_known.push_back(MakeKey(name, length));
    }

    static Key MakeKey(std::string_view name, std::uint64_t length) {
        return {std::string(name), length};
    }

    bool m_useFileDatabase = false;
    std::vector<Key> m_known;
    std::vector<Key> m_remembered;  // every call, in order

private:
    std::mutex m_mutex;
};

class CStoreDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corvane-store-XXXXXX";
        const char* made = mkdtemp(tmpl);
        ASSERT_NE(made, nullptr);
        m_root = made;
        m_dir = m_root + "/downloads";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    std::string File(const std::string& name) const { return m_dir + "/" + name; }

    AttachmentDecoder* NewDecoder(bool decode = true, bool overwrite = false,
                                  std::int32_t article = 4711) {
        return AttachmentDecoder::Create(decode, "alt.binaries.test", m_dir, overwrite, article,
                                         &m_registry);
    }

    // Feeds every line; stops at the first answer other than kGoOn and returns it.
    static EFeed FeedAll(AttachmentDecoder& decoder, const std::vector<std::string>& lines,
                         bool header = false) {
        for (const std::string& line : lines) {
            const EFeed result = decoder.FeedLine(line, header);
            if (result != EFeed::kGoOn) return result;
        }
        return EFeed::kGoOn;
    }

    static std::vector<std::uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteText(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // Every path below `folder`, relative to it, sorted.
    static std::vector<std::string> ListTree(const std::string& folder) {
        std::vector<std::string> found;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            found.push_back(std::filesystem::relative(it->path(), folder).string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    std::string m_root;
    std::string m_dir;
    CFakeRegistry m_registry;
};

// Holds the one reference Create gives and releases it at the end of the test.
struct CDecoderRef {
    explicit CDecoderRef(AttachmentDecoder* d) : decoder(d) {}
    ~CDecoderRef() {
        if (decoder != nullptr) decoder->Release();
    }
    CDecoderRef(const CDecoderRef&) = delete;
    CDecoderRef& operator=(const CDecoderRef&) = delete;
    AttachmentDecoder* operator->() const { return decoder; }
    AttachmentDecoder& operator*() const { return *decoder; }
    AttachmentDecoder* decoder;
};

}  // namespace corvane::test
