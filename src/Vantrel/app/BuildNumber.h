#pragma once

#include <QString>

namespace vantrel {

// The build number this program was built with: the number of commits of its
// checkout, or the build's VANTREL_BUILD_NUMBER when it was not built from one.
// Defined in a source the build writes (cmake/BuildNumber.cmake).
const char* buildNumberText() noexcept;

inline QString buildNumber() { return QString::fromLatin1(buildNumberText()); }

}  // namespace vantrel
