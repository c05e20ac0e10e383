#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace vantrel {

// How much checking a job's output gets after the correction run. Stored as the case name.
enum class VerifyTier { off, standard, thorough };

inline constexpr std::array<VerifyTier, 3> allVerifyTiers{VerifyTier::off, VerifyTier::standard,
                                                          VerifyTier::thorough};

inline QString verifyTierRawValue(VerifyTier tier) {
    switch (tier) {
    case VerifyTier::off: return QStringLiteral("off");
    case VerifyTier::standard: return QStringLiteral("standard");
    case VerifyTier::thorough: return QStringLiteral("thorough");
    }
    return QStringLiteral("standard");
}

inline std::optional<VerifyTier> verifyTierFromRawValue(QStringView raw) {
    if (raw == u"off") return VerifyTier::off;
    if (raw == u"standard") return VerifyTier::standard;
    if (raw == u"thorough") return VerifyTier::thorough;
    return std::nullopt;
}

// Older queue files stored a "verifyLevel" instead of the tier; anything unknown means standard.
inline VerifyTier verifyTierFromLegacyLevel(QStringView level) {
    if (level == u"off") return VerifyTier::off;
    if (level == u"streamIntegrity" || level == u"deep") return VerifyTier::thorough;
    return VerifyTier::standard;
}

}  // namespace vantrel
