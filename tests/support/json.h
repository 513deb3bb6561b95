#pragma once
// A small JSON reader for the tests' fixture manifests: objects, arrays, strings (with the
// common escapes and \u of the basic plane), numbers, true, false and null. Throws
// std::runtime_error on malformed text.
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvane::testsupport {

class CJson {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    static CJson Parse(const std::string& text);
    static CJson ParseFile(const std::string& path);

    Type GetType() const { return m_type; }
    bool IsNull() const { return m_type == Type::Null; }
    // Members and elements; a missing member or element is null.
    const CJson& operator[](const std::string& key) const;
    const CJson& operator[](size_t index) const;
    size_t Size() const;
    const std::map<std::string, CJson>& Members() const { return m_object; }

    std::string String() const { return m_string; }
    double Number() const { return m_number; }
    long Long() const { return static_cast<long>(m_number); }
    bool Bool() const { return m_bool; }

private:
    class CParser;
    Type m_type = Type::Null;
    bool m_bool = false;
    double m_number = 0;
    std::string m_string;
    std::vector<CJson> m_array;
    std::map<std::string, CJson> m_object;
};

}  // namespace corvane::testsupport
