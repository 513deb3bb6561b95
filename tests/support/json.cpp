#include "tests/support/json.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvane::testsupport {

namespace {
const CJson kNull;
}

class CJson::CParser {
public:
    explicit CParser(const std::string& text) : m_text(text) {}

    CJson Document() {
        CJson value = Value();
        Blanks();
        if (m_at != m_text.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(m_at));
    }
    void Blanks() {
        while (m_at < m_text.size() && std::string(" \t\r\n").find(m_text[m_at]) != std::string::npos) ++m_at;
    }
    bool Take(char c) {
        Blanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) Fail(std::string("expected '") + c + "'");
    }
    bool Word(const char* word) {
        const std::string w(word);
        if (m_text.compare(m_at, w.size(), w) != 0) return false;
        m_at += w.size();
        return true;
    }

    CJson Value() {
        Blanks();
        if (m_at >= m_text.size()) Fail("unexpected end");
        CJson value;
        const char c = m_text[m_at];
        if (c == '{') {
            value.m_type = Type::Object;
            ++m_at;
            if (Take('}')) return value;
            do {
                Blanks();
                const std::string key = StringText();
                Expect(':');
                value.m_object[key] = Value();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            value.m_type = Type::Array;
            ++m_at;
            if (Take(']')) return value;
            do value.m_array.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.m_type = Type::String;
            value.m_string = StringText();
        } else if (Word("true") || Word("false")) {
            value.m_type = Type::Bool;
            value.m_bool = c == 't';
        } else if (Word("null")) {
        } else {
            const char* begin = m_text.c_str() + m_at;
            char* end = nullptr;
            value.m_number = std::strtod(begin, &end);
            if (end == begin) Fail("unexpected character");
            value.m_type = Type::Number;
            m_at += static_cast<size_t>(end - begin);
        }
        return value;
    }

    std::string StringText() {
        if (m_at >= m_text.size() || m_text[m_at] != '"') Fail("expected a string");
        ++m_at;
        std::string out;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at++];
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (m_at >= m_text.size()) break;
            c = m_text[m_at++];
            switch (c) {
                case 'n': out.push_back('\n'); break;
                case 't': out.push_back('\t'); break;
                case 'r': out.push_back('\r'); break;
                case 'b': out.push_back('\b'); break;
                case 'f': out.push_back('\f'); break;
                case 'u': Unicode(out); break;
                default: out.push_back(c); break;
            }
        }
        if (m_at >= m_text.size()) Fail("unterminated string");
        ++m_at;
        return out;
    }

    // Writes a \u escape of the basic plane as UTF-8.
    void Unicode(std::string& out) {
        if (m_at + 4 > m_text.size()) Fail("short \\u escape");
        const unsigned code = static_cast<unsigned>(std::stoul(m_text.substr(m_at, 4), nullptr, 16));
        m_at += 4;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    const std::string& m_text;
    size_t m_at = 0;
};

CJson CJson::Parse(const std::string& text) { return CParser(text).Document(); }

CJson CJson::ParseFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

const CJson& CJson::operator[](const std::string& key) const {
    const auto it = m_object.find(key);
    return it == m_object.end() ? kNull : it->second;
}

const CJson& CJson::operator[](size_t index) const {
    return index < m_array.size() ? m_array[index] : kNull;
}

size_t CJson::Size() const { return m_type == Type::Array ? m_array.size() : m_object.size(); }

}  // namespace corvane::testsupport
