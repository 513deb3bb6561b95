#pragma once
// SHA-256 for the tests: fixture manifests name expected files by their digest. Pure
// functions; any thread.
#include <string>
#include <string_view>

namespace corvane::testsupport {

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view data);
// The digest of a file's bytes; empty when the file cannot be read.
std::string Sha256HexOfFile(const std::string& path);

}  // namespace corvane::testsupport
