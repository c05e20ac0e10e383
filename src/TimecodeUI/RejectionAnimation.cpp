#include "TimecodeUI/RejectionAnimation.h"

#include <QEasingCurve>
#include <cmath>
#include <numbers>

namespace timecode::animation {

qreal springProgress(qreal progress) {
    if (progress >= 1.0) return 1.0;
    if (progress <= 0.0) return 0.0;
    constexpr double omega = 2.0 * std::numbers::pi / 0.2;  // response 0.2 s
    constexpr double zeta = 0.2;
    const double damped = omega * std::sqrt(1.0 - zeta * zeta);
    const double t = progress * shakeDurationMs / 1000.0;
    const double envelope = std::exp(-zeta * omega * t);
    return 1.0 - envelope * (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
}

QPropertyAnimation* play(QObject* target, const QByteArray& property, qreal from, bool spring) {
    const QString name = QStringLiteral("rejection-") + QString::fromLatin1(property);
    auto* animation = target->findChild<QPropertyAnimation*>(name, Qt::FindDirectChildrenOnly);
    if (!animation) {
        animation = new QPropertyAnimation(target, property, target);
        animation->setObjectName(name);
        if (spring) {
            QEasingCurve curve;
            curve.setCustomType(&springProgress);
            animation->setEasingCurve(curve);
        }
        animation->setDuration(spring ? shakeDurationMs : pulseDurationMs);
    }
    animation->stop();
    animation->setStartValue(from);
    animation->setEndValue(0.0);
    target->setProperty(property, from);
    animation->start();
    return animation;
}

QColor brightened(const QColor& color, qreal brightness) {
    if (brightness == 0.0) return color;
    auto add = [&](float c) { return std::clamp(c + float(brightness), 0.0f, 1.0f); };
    return QColor::fromRgbF(add(color.redF()), add(color.greenF()), add(color.blueF()), color.alphaF());
}

}  // namespace timecode::animation
