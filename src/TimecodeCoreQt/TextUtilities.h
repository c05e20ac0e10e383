#pragma once

#include <memory>
#include <optional>

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTextDocument>

// Text helpers of the timecode library that need Qt: regular-expression searches
// returning capture groups, and aligning every paragraph of rich text.
namespace timecode {

// For every match of `pattern` over the whole text, in order: the whole match,
// then each capture group (none for a group that took no part in the match).
// Empty when the pattern does not compile.
QList<std::optional<QString>> regexCaptureGroups(const QString& text, const QString& pattern,
                                                 QRegularExpression::PatternOptions options = {},
                                                 QRegularExpression::MatchOptions matchOptions = {});
// The whole match of every match, in order; empty when the pattern does not compile.
QStringList regexMatches(const QString& text, const QString& pattern, QRegularExpression::PatternOptions options = {},
                         QRegularExpression::MatchOptions matchOptions = {});
// Every match replaced by `replacementTemplate`, in which "$n" stands for capture
// group n (the longest run of digits that names a group) and a backslash takes the
// next character literally. None when the pattern does not compile.
std::optional<QString> regexReplacing(const QString& text, const QString& pattern, const QString& replacementTemplate,
                                      QRegularExpression::PatternOptions options = {},
                                      QRegularExpression::MatchOptions replacingOptions = {});

// Every paragraph of the document aligned (in place, or on a copy).
void addAlignment(QTextDocument& document, Qt::Alignment alignment);
std::unique_ptr<QTextDocument> addingAlignment(const QTextDocument& document, Qt::Alignment alignment);

}  // namespace timecode
