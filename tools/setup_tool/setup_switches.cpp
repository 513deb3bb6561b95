#include "tools/setup_tool/setup_switches.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>

namespace corvane {

const char* const kSetupToolUsage =
    "usage: corvane-setup --out FILE [--server HOST] [--port N] [--group NAME[=RELPATH]]...\n"
    "         [--save-path DIR] [--threads N] [--auto-queue] [--exclude-author TEXT]...\n"
    "         [--login USER:PASS] [--time-out-minutes N] [--no-log]\n"
    "  --group: an enabled attachment group; its files go to RELPATH below the save path\n"
    "  --exclude-author: adds a From \"=\" TEXT condition to the \"Kill\" rule\n"
    "  --threads 0-8, --port 1-65535, --time-out-minutes 1-5\n";

namespace {

// Limits of the values the program itself accepts, except the port: test servers listen on
// ephemeral ports, above what the Options sheet lets a user type.
constexpr int kMaxThreads = 8;
constexpr int kMaxPort = 65535;
constexpr int kMaxTimeOutMinutes = 5;

const std::set<std::string> kValueSwitches = {
    "--out",
    "--server",
    "--port",
    "--group",
    "--save-path",
    "--threads",
    "--exclude-author",
    "--login",
    "--time-out-minutes",
};

bool ParseNumber(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || error != std::errc() || at != end || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

// Names and host names travel in protocol lines: a blank or a control byte would split them.
bool IsToken(const std::string& text) {
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == 0x7F;
    });
}

bool HasControlBytes(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < ' ' || c == 0x7F; });
}

// A group's folder must stay below the save path, wherever that is.
bool IsSafeRelativePath(const std::string& text) {
    if (HasControlBytes(text)) return false;
    const std::filesystem::path path(text);
    if (path.is_absolute()) return false;
    return std::none_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
}

class CSwitchReader {
public:
    CSwitchReader(CSetupFileContents& contents, SSetupSwitches& result)
        : m_setup(*contents.m_setup), m_result(result) {}

    bool Apply(const std::vector<std::string>& args);

private:
    bool Fail(const std::string& why) {
        m_result.error = why;
        return false;
    }
    bool Once(const std::string& name);
    bool Flag(const std::string& name);
    bool Value(const std::string& name, const std::string& value);
    bool Number(const std::string& name, const std::string& value, int low, int high,
                std::int32_t& field);
    bool Group(const std::string& value);
    bool Login(const std::string& value);
    bool ExcludeAuthor(const std::string& value);

    CSetup& m_setup;
    SSetupSwitches& m_result;
    std::set<std::string> m_seen;
};

bool CSwitchReader::Apply(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--auto-queue" || name == "--no-log") {
            if (!Flag(name)) return false;
        } else if (!kValueSwitches.contains(name)) {
            return Fail("unknown switch " + name);
        } else if (i + 1 >= args.size()) {
            return Fail(name + " needs a value");
        } else if (!Value(name, args[++i])) {
            return false;
        }
    }
    if (m_result.outPath.empty()) return Fail("--out is required");
    return true;
}

bool CSwitchReader::Once(const std::string& name) {
    if (!m_seen.insert(name).second) return Fail(name + " given twice");
    return true;
}

bool CSwitchReader::Flag(const std::string& name) {
    if (!Once(name)) return false;
    if (name == "--auto-queue") {
        m_setup.m_autoQueueArticles = 1;
    } else {
        m_setup.m_logDownloads = 0;
    }
    return true;
}

bool CSwitchReader::Number(const std::string& name, const std::string& value, int low, int high,
                           std::int32_t& field) {
    if (!Once(name)) return false;
    int parsed = 0;
    if (!ParseNumber(value, low, high, parsed)) {
        return Fail(name + " wants a number from " + std::to_string(low) + " to " +
                    std::to_string(high) + ", not \"" + value + "\"");
    }
    field = parsed;
    return true;
}

bool CSwitchReader::Value(const std::string& name, const std::string& value) {
    if (name == "--group") return Group(value);
    if (name == "--exclude-author") return ExcludeAuthor(value);
    if (name == "--port") return Number(name, value, 1, kMaxPort, m_setup.m_port);
    if (name == "--threads") return Number(name, value, 0, kMaxThreads, m_setup.m_threads);
    if (name == "--time-out-minutes") {
        return Number(name, value, 1, kMaxTimeOutMinutes, m_setup.m_timeOutMinutes);
    }
    if (name == "--login") return Login(value);
    if (!Once(name)) return false;
    if (value.empty() || HasControlBytes(value)) return Fail(name + " wants a plain value");
    if (name == "--out") {
        m_result.outPath = value;
    } else if (name == "--server") {
        if (!IsToken(value)) return Fail("--server wants a host name without blanks");
        m_setup.SetNewsServer(value);
    } else {
        m_setup.SetSavePath(value);
    }
    return true;
}

bool CSwitchReader::Group(const std::string& value) {
    const std::size_t equals = value.find('=');
    const std::string name = value.substr(0, equals);
    const std::string relative = equals == std::string::npos ? "" : value.substr(equals + 1);
    if (!IsToken(name)) return Fail("--group wants a newsgroup name, not \"" + value + "\"");
    if (!IsSafeRelativePath(relative)) {
        return Fail("--group " + name + ": the folder must lie below the save path");
    }
    for (const auto& group : m_setup.m_groups) {
        if (group->Name() == name) return Fail("--group " + name + " given twice");
    }
    auto group = std::make_unique<CSetupGroup>();
    group->SetName(name);
    group->SetRelativePath(relative);
    group->m_enabled = 1;
    group->m_type = CSetupGroup::kTypeAttachment;
    m_setup.m_groups.push_back(std::move(group));
    return true;
}

bool CSwitchReader::Login(const std::string& value) {
    if (!Once("--login")) return false;
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || HasControlBytes(value)) {
        return Fail("--login wants USER:PASS");
    }
    m_setup.SetUser(value.substr(0, colon));
    m_setup.SetPassword(value.substr(colon + 1));
    m_setup.m_requiresLogin = 1;
    return true;
}

// The same rule the Kill Person command adds to, so the program treats it as its own.
bool CSwitchReader::ExcludeAuthor(const std::string& value) {
    if (value.empty() || HasControlBytes(value)) {
        return Fail("--exclude-author wants the author's From text");
    }
    m_setup.FindKillGroup().m_criteria.push_back(
        std::make_unique<CCriteria>(CCriteria::kFieldAuthor, 0, value));
    return true;
}

}  // namespace

bool ApplySetupSwitches(const std::vector<std::string>& args, CSetupFileContents& contents,
                        SSetupSwitches& result) {
    result = SSetupSwitches{};
    return CSwitchReader(contents, result).Apply(args);
}

}  // namespace corvane
