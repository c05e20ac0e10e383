#include "TimecodeCore/TemporaryFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#include "TimecodeCore/Random.h"

namespace timecode {

namespace {

// A version-4 UUID, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
std::string randomUuid() {
    std::uniform_int_distribution<unsigned> byte(0, 255);
    unsigned char b[16];
    for (unsigned char& x : b) x = static_cast<unsigned char>(byte(randomEngine()));
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    char text[37];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

}  // namespace

std::filesystem::path temporaryDirectory() { return std::filesystem::temp_directory_path(); }

std::filesystem::path writeToTemporaryFile(std::string_view data) {
    const std::filesystem::path path = temporaryDirectory() / randomUuid();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(data.data(), std::streamsize(data.size()));
    if (!out || !out.flush()) {
        const std::error_code error(errno ? errno : EIO, std::generic_category());
        out.close();
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        throw std::filesystem::filesystem_error("Could not write the temporary file", path, error);
    }
    return path;
}

}  // namespace timecode
