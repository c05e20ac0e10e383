#include "TimecodeCore/Random.h"

namespace timecode {

std::mt19937_64& randomEngine() {
    thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        std::seed_seq seeds{device(), device(), device(), device()};
        return std::mt19937_64(seeds);
    }()};
    return engine;
}

std::int64_t randomInRange(std::int64_t lower, std::int64_t upper) {
    if (upper <= lower) return lower;
    return std::uniform_int_distribution<std::int64_t>(lower, upper)(randomEngine());
}

}  // namespace timecode
