#include "Vantrel/queue/Preflight.h"

#include <QLocale>

#include <cmath>

namespace vantrel {

QString formatFileByteCount(qint64 bytes) {
    const QLocale locale;
    if (bytes == 0) return QStringLiteral("Zero KB");
    const qint64 magnitude = bytes < 0 ? -bytes : bytes;
    if (magnitude < 1000) {
        return QStringLiteral("%1 %2").arg(locale.toString(bytes),
                                          magnitude == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
    }
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(bytes) / 1000.0;
    int unit = 0;
    // Round first so that 999,950 bytes reads "1 MB", not "1,000 KB".
    auto decimalsFor = [](int u) { return u == 0 ? 0 : (u == 1 ? 1 : 2); };
    auto rounded = [](double v, int decimals) {
        const double scale = std::pow(10.0, decimals);
        return std::round(v * scale) / scale;
    };
    while (unit < 5 && std::fabs(rounded(value, decimalsFor(unit))) >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    QString number = locale.toString(rounded(value, decimalsFor(unit)), 'f', decimalsFor(unit));
    if (number.contains(locale.decimalPoint())) {
        while (number.endsWith(QLatin1Char('0'))) number.chop(1);
        if (number.endsWith(locale.decimalPoint())) number.chop(locale.decimalPoint().size());
    }
    return QStringLiteral("%1 %2").arg(number, QLatin1StringView(units[unit]));
}

std::optional<QString> freeSpaceProblem(qint64 sourceBytes, std::optional<qint64> freeBytes,
                                        const std::optional<QString>& volumeName) {
    const auto required = static_cast<qint64>(double(sourceBytes) * 1.1);
    if (!freeBytes || *freeBytes >= required) return std::nullopt;
    return QStringLiteral("Not enough space on %1: %2 free, ~%3 required.")
        .arg(volumeName.value_or(QStringLiteral("the output volume")), formatFileByteCount(*freeBytes),
             formatFileByteCount(required));
}

}  // namespace vantrel
