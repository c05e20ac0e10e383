#pragma once

#include <optional>
#include <string>

namespace vantrel {

// The codec parameters of one stream as the stream-parameter probe reads them.
struct StreamParams {
    std::string codec;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<std::string> pixelFormat;
    std::optional<int> sampleRate;

    friend bool operator==(const StreamParams&, const StreamParams&) = default;
};

}  // namespace vantrel
