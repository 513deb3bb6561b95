#pragma once
// The program's own GIF loader: reads the blocks of a GIF file (extensions, the graphic
// control extension's transparent index, global and local colour tables) and decodes each
// image's LZW data into a bottom-up 8-bit bitmap. Later images replace earlier ones, so an
// animation shows its last frame.
//
// Owns nothing beyond the picture it inherits. Called on one thread at a time, like the
// holder. Hands over the decoded picture, its palette (256 entries when a transparent index
// is set, so that the drawing code has white to mask with) and the transparent index.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "images/image_impl.h"

namespace corvane {

class CGifImage : public CImageImpl {
public:
    // 1 when the file began with a GIF signature and its blocks could be read; a stream that
    // breaks off keeps what was decoded before the break.
    int Load(const std::string& fileName) override;
    // The same from bytes already in memory.
    int LoadBytes(std::span<const uint8_t> bytes);

    // Codes above the next free code seen while decoding the last image: a corrupt stream
    // still shows what it can, and this tells how corrupt it was.
    int BadCodes() const { return m_badCodes; }

private:
    class CSource;
    int Decode(CSource& source);
    bool ReadImage(CSource& source, const uint8_t* descriptor);

    int m_badCodes = 0;
};

}  // namespace corvane
