#pragma once
// The two failure kinds of the library. They never leave it: every export turns one into a
// fatal report (see fatal.h), except open, which turns it into a null handle.
namespace vindle {

struct CVindleException {
    int code;
};

struct CBufferException {
    int code;
};

// CVindleException codes
constexpr int kCreateFailed = 1;
constexpr int kOpenFailed = 2;
constexpr int kBadHead = 3;
constexpr int kCacheOpenFailed = 4;
constexpr int kNoFreePage = 5;

// CBufferException codes
constexpr int kCacheOpenedTwice = 1;
constexpr int kRegionFailed = 2;
constexpr int kFileOpenFailed = 5;
constexpr int kAllPinned = 6;
constexpr int kNotPinned = 7;
constexpr int kWriteFailed = 8;
constexpr int kReadFailed = 9;

}  // namespace vindle
