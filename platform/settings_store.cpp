#include "platform/settings_store.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <charconv>
#include <cstdlib>
#include <filesystem>

namespace corvane {
namespace {

std::string Key(const std::string& section, const std::string& name) {
    return section + "/" + name;
}

QString QtKey(const std::string& section, const std::string& name) {
    return QString::fromStdString(Key(section, name));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Byte strings that are not UTF-8 (a path in another encoding) would be mangled as text; they
// are kept as raw bytes instead, which the INI form also holds without loss.
QVariant ToStoredText(const std::string& value) {
    const QByteArray bytes = QByteArray::fromStdString(value);
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) return text;
    return bytes;
}

std::optional<std::string> FromStoredText(const QVariant& value) {
    if (!value.isValid()) return std::nullopt;
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
    // An unquoted hand-edited value with commas reads as a list; the commas were meant as text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    if (!value.canConvert<QString>()) return std::nullopt;
    return value.toString().toStdString();
}

bool FileTooLarge(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return !error && size > static_cast<std::uintmax_t>(CIniSettingsStore::kMaxFileBytes);
}

}  // namespace

std::string DefaultSettingsPath() {
    const char* home = std::getenv("CORVANE_HOME");
    if (home && *home) {
        std::string dir(home);
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        return dir == "/" ? "/Corvane.ini" : dir + "/Corvane.ini";
    }
    const QSettings user(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                         QStringLiteral("Corvane"));
    return QFile::encodeName(user.fileName()).toStdString();
}

std::optional<int> ParseSettingInt(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    // from_chars takes '-' but not '+'; "+-3" must stay no number.
    if (end - begin > 1 && text[begin] == '+' && text[begin + 1] != '-') ++begin;
    if (begin == end) return std::nullopt;
    int value = 0;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    const auto [stop, error] = std::from_chars(first, last, value);
    if (error != std::errc() || stop != last) return std::nullopt;
    return value;
}

// ---- in memory

int CMemorySettingsStore::ReadInt(const std::string& section, const std::string& name, int def) {
    const auto text = Value(section, name);
    if (!text) return def;
    return ParseSettingInt(*text).value_or(def);
}

std::string CMemorySettingsStore::ReadString(const std::string& section, const std::string& name,
                                             const std::string& def) {
    return Value(section, name).value_or(def);
}

void CMemorySettingsStore::WriteInt(const std::string& section, const std::string& name,
                                    int value) {
    WriteString(section, name, std::to_string(value));
}

void CMemorySettingsStore::WriteString(const std::string& section, const std::string& name,
                                       const std::string& value) {
    m_values[Key(section, name)] = value;
    ++m_writes;
}

std::optional<std::string> CMemorySettingsStore::Value(const std::string& section,
                                                       const std::string& name) const {
    const auto it = m_values.find(Key(section, name));
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

// ---- INI file

CIniSettingsStore::CIniSettingsStore(const std::string& path) : m_path(path) {
    if (FileTooLarge(path)) return;
    m_settings = std::make_unique<QSettings>(QFile::decodeName(QByteArray::fromStdString(path)),
                                             QSettings::IniFormat);
}

CIniSettingsStore::~CIniSettingsStore() = default;

int CIniSettingsStore::ReadInt(const std::string& section, const std::string& name, int def) {
    if (!m_settings) return def;
    const auto text = FromStoredText(m_settings->value(QtKey(section, name)));
    if (!text) return def;
    return ParseSettingInt(*text).value_or(def);
}

std::string CIniSettingsStore::ReadString(const std::string& section, const std::string& name,
                                          const std::string& def) {
    if (!m_settings) return def;
    return FromStoredText(m_settings->value(QtKey(section, name))).value_or(def);
}

void CIniSettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    if (!m_settings) return;
    m_settings->setValue(QtKey(section, name), value);
    Flush();
}

void CIniSettingsStore::WriteString(const std::string& section, const std::string& name,
                                    const std::string& value) {
    if (!m_settings) return;
    m_settings->setValue(QtKey(section, name), ToStoredText(value));
    Flush();
}

// Every write goes to disk at once (through a temporary file that replaces the old one), so
// the program can die at any moment without losing a value or leaving half a file.
void CIniSettingsStore::Flush() {
    m_settings->sync();
    m_writeFailed = m_settings->status() == QSettings::AccessError;
}

CIniSettingsStore::EStatus CIniSettingsStore::Status() const {
    if (!m_settings) return EStatus::kTooLarge;
    if (m_writeFailed) return EStatus::kAccessError;
    switch (m_settings->status()) {
        case QSettings::NoError:
            return EStatus::kOk;
        case QSettings::AccessError:
            return EStatus::kAccessError;
        case QSettings::FormatError:
            return EStatus::kFormatError;
    }
    return EStatus::kOk;
}

}  // namespace corvane
