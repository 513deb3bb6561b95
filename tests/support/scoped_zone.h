#pragma once
// Sets TZ for one test and puts the old value back afterwards, for tests of local-time output.
#include <cstdlib>
#include <ctime>
#include <string>

namespace corvane::testsupport {

class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had) m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (m_had) {
            setenv("TZ", m_old.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    bool m_had = false;
    std::string m_old;
};

}  // namespace corvane::testsupport
