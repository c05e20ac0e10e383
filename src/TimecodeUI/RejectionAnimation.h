#pragma once

// The two rejection animations shared by the field and its components: a shake
// that springs back from 5 px (underdamped, so it swings past its place) and a
// pulse whose brightness fades linearly from 0.7 in 80 ms.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QPropertyAnimation>

namespace timecode::animation {

inline constexpr qreal shakeIntensity = 5.0;
inline constexpr qreal pulseIntensity = 0.7;
inline constexpr int pulseDurationMs = 80;
// Long enough for the spring to come within a hundredth of a pixel of rest.
inline constexpr int shakeDurationMs = 1000;

// Progress 0...1 of a spring with response 0.2 s and damping fraction 0.2 over
// shakeDurationMs: rises past 1 and swings around it, exactly 1 at the end.
qreal springProgress(qreal progress);

// Starts (or restarts) the animation of `property` on `target` from `from` to 0:
// the spring for the shake, linear for the pulse. The animation is a child of
// `target`, so it goes with it.
QPropertyAnimation* play(QObject* target, const QByteArray& property, qreal from, bool spring);

// The colour with `brightness` added to each channel (clamped), alpha kept.
QColor brightened(const QColor& color, qreal brightness);

}  // namespace timecode::animation
