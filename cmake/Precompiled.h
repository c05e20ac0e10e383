// Headers that most of the project's sources include, compiled once per library or
// group of targets instead of once per source (see vantrel_precompile_headers in the
// top CMakeLists.txt). Only what a target can reach is included: targets that link
// no Qt module (TimecodeCore) get the standard library part alone; test and benchmark
// targets define VANTREL_PRECOMPILE_TESTS or VANTREL_PRECOMPILE_BENCH.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#if defined(QT_CORE_LIB)
#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QFuture>
#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QList>
#include <QtCore/QLoggingCategory>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QRegularExpression>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtCore/QUuid>
#endif

#if defined(QT_GUI_LIB)
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#endif

#if defined(QT_WIDGETS_LIB)
#include <QtWidgets/QApplication>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QVBoxLayout>
#include <QtWidgets/QWidget>
#endif

#if defined(VANTREL_PRECOMPILE_BENCH)
#include <benchmark/benchmark.h>
#endif

#if defined(VANTREL_PRECOMPILE_TESTS)
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#endif
