#pragma once
// A picture whose file kind a codec library reads and writes (JPEG, PNG): the file handling
// both share. Load opens the file and hands it to the codec; Save writes to a new file, checks
// that the buffered tail reached the disk and removes whatever a failed save left behind.
//
// Owns nothing beyond the picture it inherits and the last error's text. Called on one thread
// at a time, like the holder.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "images/image_impl.h"

namespace corvane {

class CCodecImage : public CImageImpl {
public:
    int Load(const std::string& fileName) override;
    // The same from bytes already in memory; the file name is left alone.
    int LoadBytes(std::span<const uint8_t> bytes);
    int Save(const std::string& fileName) override;

    // Why the last load or save failed (the library's message or ours), empty after success.
    const std::string& LastError() const { return m_lastError; }

protected:
    // Decodes from `file` when it is given, else from `bytes`, into this picture, which the
    // caller has cleared: 1 or 0, with the error's text set on failure.
    virtual int Decode(std::FILE* file, std::span<const uint8_t> bytes) = 0;
    // Writes this picture (which has a bitmap) to `file`; false with the error's text set.
    virtual bool Encode(std::FILE* file) = 0;

    std::string m_lastError;

private:
    int LoadFrom(std::FILE* file, std::span<const uint8_t> bytes);
};

}  // namespace corvane
