#include "MarkdownRender/Hasher.h"

#include <QByteArray>
#include <QString>

namespace markdown {

namespace {

bool isAscii(std::string_view text)
{
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

QString nfc(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .normalized(QString::NormalizationForm_C);
}

}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    if (a == b) return true;
    // ASCII is already in every normal form, so two different ASCII strings differ.
    // One non-ASCII side may still normalise to ASCII (U+212A KELVIN SIGN is "K").
    if (isAscii(a) && isAscii(b)) return false;
    return nfc(a) == nfc(b);
}

void hashCanonical(Hasher& hasher, std::string_view text)
{
    if (isAscii(text)) {
        hasher.combineBytes(text);
        return;
    }
    const QByteArray normalized = nfc(text).toUtf8();
    hasher.combineBytes(std::string_view(normalized.constData(), static_cast<std::size_t>(normalized.size())));
}

}  // namespace markdown
