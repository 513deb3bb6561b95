// The article job against a real news server: the two binary groups of the fixture are
// listed and taken in as the main window does (joining multi-part postings), every complete
// listed article is downloaded with decoding on, and every uuencoded and MIME file of the
// manifest must come out with its recorded digest. An incomplete posting gives no file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "nntp/group_number.h"
#include "nntp/jobs.h"
#include "select/article_store.h"
#include "setup/article.h"
#include "store/attachment_decoder.h"
#include "tests/support/json.h"
#include "tests/support/news_fixture.h"
#include "tests/support/sha256.h"
#include "work/messages.h"

namespace corvane {
namespace {

using testsupport::CJson;
namespace fs = std::filesystem;

const std::vector<std::string> kGroups = {"alt.binaries.test.small", "alt.binaries.test.other"};

// The digest is what the comparison stands on, so it is checked against published values.
TEST(Sha256Test, KnownDigests) {
    EXPECT_EQ(testsupport::Sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(testsupport::Sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padding block.
    EXPECT_EQ(testsupport::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(testsupport::Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

class ArticleFixtureTest : public testsupport::CNewsFixture {
protected:
    void SetUp() override {
        CNewsFixture::SetUp();
        if (IsSkipped()) return;
        m_port = Port();
        m_services.SetServer(m_host, m_port);
        m_services.PublishSetup(std::make_shared<const CSetup>(m_setup));
        char pattern[] = "/tmp/corvane-articles-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_save = pattern;
        m_worker.Attach(m_manager, 0);
        m_worker.SetControls(WorkerControl::Status, &m_row);
    }
    void TearDown() override {
        if (!m_save.empty()) fs::remove_all(m_save);
    }

    std::unique_ptr<CWorkItem> Item(WorkKind kind, const std::string& group) {
        auto item = std::make_unique<CWorkItem>();
        item->window = &m_window;
        item->kind = static_cast<int>(kind);
        item->group = group;
        item->server = m_host;
        item->port = m_port;
        item->attachmentFlag = 1;
        item->saveDirectory = m_save + "/" + group;
        return item;
    }

    // Headers go through intake; saved decoders and group numbers are released as the window
    // would release them.
    void DrainWindow() {
        SMessage message;
        while (m_window.TryGet(message)) {
            if (message.number == UWM_ARTICLE_HEADER) {
                m_store.IntakeArticle(
                    std::unique_ptr<CArticle>(static_cast<CArticle*>(message.lParam)));
            } else if (message.number == UWM_GROUP_FIRST || message.number == UWM_CROSSPOSTS) {
                delete static_cast<CGroupNumber*>(message.lParam);
            } else if (message.number == UWM_ARTICLE_SAVED && message.lParam != nullptr) {
                static_cast<AttachmentDecoder*>(message.lParam)->Release();
                ++m_saved;
            }
        }
    }

    // Every file below the save path, by name, with its digest.
    std::multimap<std::string, std::string> SavedDigests() const {
        std::multimap<std::string, std::string> digests;
        for (const auto& entry : fs::recursive_directory_iterator(m_save)) {
            if (!entry.is_regular_file()) continue;
            digests.emplace(entry.path().filename().string(),
                            testsupport::Sha256HexOfFile(entry.path().string()));
        }
        return digests;
    }

    int m_port = 119;
    std::string m_save;
    CSetup m_setup;
    CArticleStore m_store{m_setup};
    CBasicNntpServices m_services{30000};
    CMessageQueue m_window;
    CMessageQueue m_manager;
    CWorkerDisplay m_row;
    CCorvaneWorker m_worker{0, m_services, DefaultJobTable()};
    int m_saved = 0;
};

TEST_F(ArticleFixtureTest, EveryUuencodedAndMimeFileComesOutWithItsDigest) {
    for (const std::string& group : kGroups) {
        ASSERT_TRUE(m_worker.DoWork(*Item(WorkKind::GroupHeaders, group))) << m_row.State().status;
        DrainWindow();
    }
    int downloaded = 0;
    for (const auto& record : m_store.Articles()) {
        if (!record->IsComplete()) continue;
        auto item = Item(WorkKind::Article, record->Newsgroup());
        item->article = record.get();
        EXPECT_TRUE(m_worker.DoWork(*item))
            << record->DisplaySubject() << ": " << m_row.State().status;
        ++downloaded;
        DrainWindow();
    }
    EXPECT_EQ(m_saved, downloaded) << "every download is handed to the window";

    const auto digests = SavedDigests();
    int checked = 0;
    const CJson& files = m_manifest["files"];
    for (size_t i = 0; i < files.Size(); ++i) {
        const CJson& file = files[i];
        const std::string encoding = file["encoding"].String();
        if (encoding == "yenc") continue;  // not a format this program decodes
        const std::string name = file["name"].String();
        SCOPED_TRACE(name + " (" + encoding + ")");
        const auto [first, last] = digests.equal_range(name);
        if (!file["complete"].Bool()) {
            EXPECT_EQ(first, last) << "an incomplete posting is not downloaded";
            continue;
        }
        ASSERT_NE(first, last) << "not saved";
        for (auto it = first; it != last; ++it) EXPECT_EQ(it->second, file["sha256"].String());
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace corvane
