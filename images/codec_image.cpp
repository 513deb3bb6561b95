#include "images/codec_image.h"

#include <memory>

namespace corvane {

namespace {

struct SFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;

}  // namespace

int CCodecImage::Load(const std::string& fileName) {
    const std::string name = ResolveName(fileName);
    SetFileName(name);
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file) {
        m_lastError = "cannot open " + name;
        Clear();
        return 0;
    }
    return LoadFrom(file.get(), {});
}

int CCodecImage::LoadBytes(std::span<const uint8_t> bytes) {
    return LoadFrom(nullptr, bytes);
}

int CCodecImage::LoadFrom(std::FILE* file, std::span<const uint8_t> bytes) {
    m_lastError.clear();
    Clear();
    return Decode(file, bytes);
}

int CCodecImage::Save(const std::string& fileName) {
    const std::string name = ResolveName(fileName);
    m_lastError.clear();
    if (!HasBitmap()) {
        m_lastError = "no picture to save";
        return 0;
    }
    FilePtr file(std::fopen(name.c_str(), "wb"));
    if (!file) {
        m_lastError = "cannot create " + name;
        return 0;
    }
    bool written = Encode(file.get());
    // A full disk may show only when the buffered tail reaches the file.
    if (std::fclose(file.release()) != 0 && written) {
        written = false;
        m_lastError = "cannot write " + name;
    }
    if (!written) {
        std::remove(name.c_str());
        return 0;
    }
    SetFileName(name);
    return 1;
}

}  // namespace corvane
