#pragma once

// Readable GoogleTest output for Qt values (otherwise a QString prints as bytes).
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i) *os << ", ";
        PrintTo(list[i], os);
    }
    *os << ']';
}

// Geometry as "1024x600", "(0,0 1024x600)" and "(left,top,right,bottom)".
inline std::ostream& operator<<(std::ostream& os, const QSize& size) {
    return os << size.width() << 'x' << size.height();
}
inline std::ostream& operator<<(std::ostream& os, const QRect& rect) {
    return os << '(' << rect.x() << ',' << rect.y() << ' ' << rect.size() << ')';
}
inline std::ostream& operator<<(std::ostream& os, const QMargins& margins) {
    return os << '(' << margins.left() << ',' << margins.top() << ',' << margins.right() << ',' << margins.bottom() << ')';
}
