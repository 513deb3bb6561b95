#pragma once
// The per-user settings that outlive a run: named sections of integer and string values, each
// read with a default. ISettingsStore is what the program's models use; CIniSettingsStore keeps
// the values in an INI file and puts every write on disk before returning, so a crash loses
// nothing; CMemorySettingsStore holds them in memory for tests and lets a test see what was
// written. A store object belongs to one thread at a time (the main thread in the program);
// strings are handed back by value.
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QSettings;

namespace corvane {

class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // The default comes back when the value is absent or is not a whole number in int range.
    virtual int ReadInt(const std::string& section, const std::string& name, int def) = 0;
    virtual std::string ReadString(const std::string& section, const std::string& name,
                                   const std::string& def) = 0;
    virtual void WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
};

// The INI file a run uses when nothing else is asked for: `$CORVANE_HOME/Corvane.ini` when
// CORVANE_HOME is set and not empty (tests, portable set-ups), else the per-user location of
// organisation "Velmora", application "Corvane" (normally ~/.config/Velmora/Corvane.ini).
std::string DefaultSettingsPath();

// The text of a stored integer, hand-edited files included: optional blanks, an optional sign,
// decimal digits, optional blanks. Anything else, or a value outside int range, is no number.
std::optional<int> ParseSettingInt(const std::string& text);

class CMemorySettingsStore : public ISettingsStore {
public:
    int ReadInt(const std::string& section, const std::string& name, int def) override;
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& def) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    // What a test inspects: the stored text under "<section>/<name>", and how many writes
    // reached the store (a write of an unchanged value counts too).
    std::optional<std::string> Value(const std::string& section, const std::string& name) const;
    const std::map<std::string, std::string>& Values() const { return m_values; }
    size_t WriteCount() const { return m_writes; }

private:
    std::map<std::string, std::string> m_values;
    size_t m_writes = 0;
};

class CIniSettingsStore : public ISettingsStore {
public:
    enum class EStatus { kOk, kAccessError, kFormatError, kTooLarge };
    // A file larger than this is not a settings file the program wrote; it is left untouched.
    static constexpr long long kMaxFileBytes = 1 << 20;

    // Keys are "<section>/<name>" in `path`; the file and its directory are made at the first
    // write. No application object is needed for a file named explicitly.
    explicit CIniSettingsStore(const std::string& path);
    ~CIniSettingsStore() override;
    CIniSettingsStore(const CIniSettingsStore&) = delete;
    CIniSettingsStore& operator=(const CIniSettingsStore&) = delete;

    int ReadInt(const std::string& section, const std::string& name, int def) override;
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& def) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    const std::string& Path() const { return m_path; }
    // kAccessError: the last write could not reach the disk. kFormatError: lines of the file
    // could not be read (they read as absent; the rest of the file is used and kept).
    // kTooLarge: the file was over kMaxFileBytes; every read gives its default and nothing is
    // written, so the file is not lost.
    EStatus Status() const;

private:
    void Flush();

    std::string m_path;
    std::unique_ptr<QSettings> m_settings;  // null when the file is too large to trust
    bool m_writeFailed = false;
};

}  // namespace corvane
