#pragma once
// The byte layout of the records the program keeps in its two index files: the file key
// (name and length), the newsgroup key (name) and the newsgroup index's aux block (the date and
// time of the last complete retrieval). Pure functions, safe from any thread; they hand back
// fixed-size buffers the index library reads exactly KeySize / AuxSize bytes of.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr size_t kFileKeySize = 56;
inline constexpr size_t kFileNameBytes = 52;  // the length field follows the name
inline constexpr size_t kGroupKeySize = 128;
inline constexpr size_t kIndexDataSize = 4;  // both indexes carry four unused data bytes
inline constexpr size_t kGroupAuxSize = 8;

using FileKey = std::array<unsigned char, kFileKeySize>;
using GroupKey = std::array<unsigned char, kGroupKeySize>;
using IndexData = std::array<unsigned char, kIndexDataSize>;
using GroupAux = std::array<unsigned char, kGroupAuxSize>;

// The name without its directory, cut to 52 bytes or padded with zeros, then the length as a
// little-endian u32. Names that agree in their first 52 bytes are the same file.
FileKey MakeFileKey(std::string_view name, uint32_t length);

// The group name cut to 128 bytes, the rest filled with `fill` (zeros for a stored key; 0xFF
// for the upper bound of a scan below a node of the group tree).
GroupKey MakeGroupKey(std::string_view name, unsigned char fill = 0);

// The name a stored key holds: its bytes up to the first zero, at most 128.
std::string GroupNameFromKey(const GroupKey& key);

// Date (YYMMDD) then time (HHMMSS), each a little-endian u32.
GroupAux PackRetrievalStamp(uint32_t date, uint32_t time);
void UnpackRetrievalStamp(const GroupAux& aux, uint32_t& date, uint32_t& time);

}  // namespace corvane
