#pragma once
// CGroupNumber: a (newsgroup, article number) pair and the chain it heads. A single node tells
// the main window a group's lowest article number; a chain carries a batch of crossposts. Each
// node owns the rest of its chain, and whoever holds the first node owns all of it: the worker
// until a post succeeds, the main window after. Plain data for one thread at a time.
//
// CCrosspostBatch collects crossposts into chains of at most kPairs nodes on the worker's
// thread and hands each chain over when it is full, so no chain grows with the input.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace corvane {

class CGroupNumber {
public:
    CGroupNumber(std::string group, std::int32_t number)
        : m_number(number), m_group(std::move(group)) {}
    // The rest of the chain is freed node by node: a chain of any length never recurses.
    ~CGroupNumber() {
        std::unique_ptr<CGroupNumber> rest = std::move(m_next);
        while (rest) rest = std::move(rest->m_next);
    }
    CGroupNumber(const CGroupNumber&) = delete;
    CGroupNumber& operator=(const CGroupNumber&) = delete;

    // The number of nodes after this one.
    int Followers() const { return m_followers; }
    std::int32_t Number() const { return m_number; }
    const std::string& Group() const { return m_group; }
    const CGroupNumber* Next() const { return m_next.get(); }

    // Puts the chain `tail` at the end, counting its nodes in every node on the way.
    void Append(std::unique_ptr<CGroupNumber> tail) {
        if (!tail) return;
        const int added = tail->m_followers + 1;
        CGroupNumber* node = this;
        for (;;) {
            node->m_followers += added;
            if (!node->m_next) break;
            node = node->m_next.get();
        }
        node->m_next = std::move(tail);
    }

private:
    int m_followers = 0;
    std::int32_t m_number;
    std::string m_group;
    std::unique_ptr<CGroupNumber> m_next;
};

class CCrosspostBatch {
public:
    // A batch goes to the main window once its first node counts more than 10 followers.
    static constexpr int kPairs = 12;

    // Adds a pair; returns the chain when this pair filled it, else null.
    std::unique_ptr<CGroupNumber> Add(std::string_view group, std::int32_t number) {
        auto node = std::make_unique<CGroupNumber>(std::string(group), number);
        if (!m_chain) {
            m_chain = std::move(node);
        } else {
            m_chain->Append(std::move(node));
        }
        if (m_chain->Followers() > kPairs - 2) return std::move(m_chain);
        return nullptr;
    }
    // What is left at the end of a job; null when nothing is pending.
    std::unique_ptr<CGroupNumber> TakePending() { return std::move(m_chain); }

private:
    std::unique_ptr<CGroupNumber> m_chain;
};

}  // namespace corvane
