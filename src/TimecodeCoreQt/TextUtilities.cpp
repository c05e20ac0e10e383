#include "TimecodeCoreQt/TextUtilities.h"

#include <QTextBlockFormat>
#include <QTextCursor>

namespace timecode {

namespace {

std::optional<QRegularExpression> compiled(const QString& pattern, QRegularExpression::PatternOptions options) {
    QRegularExpression re(pattern, options);
    if (!re.isValid()) return std::nullopt;
    return re;
}

// The replacement of one match: "$n" groups and backslash escapes.
QString expand(const QString& replacementTemplate, const QRegularExpressionMatch& match) {
    const int groups = match.regularExpression().captureCount();
    QString out;
    for (qsizetype i = 0; i < replacementTemplate.size(); ++i) {
        const QChar c = replacementTemplate[i];
        if (c == u'\\' && i + 1 < replacementTemplate.size()) {
            out += replacementTemplate[++i];
            continue;
        }
        if (c == u'$' && i + 1 < replacementTemplate.size() && replacementTemplate[i + 1].isDigit()) {
            // The longest run of digits that still names a group (at least one digit).
            qsizetype end = i + 2;
            int group = replacementTemplate[i + 1].digitValue();
            while (end < replacementTemplate.size() && replacementTemplate[end].isDigit() &&
                   group * 10 + replacementTemplate[end].digitValue() <= groups) {
                group = group * 10 + replacementTemplate[end].digitValue();
                ++end;
            }
            if (group <= groups) out += match.captured(group);
            i = end - 1;
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

QList<std::optional<QString>> regexCaptureGroups(const QString& text, const QString& pattern,
                                                 QRegularExpression::PatternOptions options,
                                                 QRegularExpression::MatchOptions matchOptions) {
    QList<std::optional<QString>> groups;
    const auto re = compiled(pattern, options);
    if (!re) return groups;
    for (auto it = re->globalMatch(text, 0, QRegularExpression::NormalMatch, matchOptions); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        for (int g = 0; g <= re->captureCount(); ++g)
            groups.append(m.capturedStart(g) < 0 ? std::nullopt : std::optional<QString>(m.captured(g)));
    }
    return groups;
}

QStringList regexMatches(const QString& text, const QString& pattern, QRegularExpression::PatternOptions options,
                         QRegularExpression::MatchOptions matchOptions) {
    QStringList matches;
    const auto re = compiled(pattern, options);
    if (!re) return matches;
    for (auto it = re->globalMatch(text, 0, QRegularExpression::NormalMatch, matchOptions); it.hasNext();)
        matches.append(it.next().captured(0));
    return matches;
}

std::optional<QString> regexReplacing(const QString& text, const QString& pattern, const QString& replacementTemplate,
                                      QRegularExpression::PatternOptions options,
                                      QRegularExpression::MatchOptions replacingOptions) {
    const auto re = compiled(pattern, options);
    if (!re) return std::nullopt;
    QString out;
    qsizetype last = 0;
    for (auto it = re->globalMatch(text, 0, QRegularExpression::NormalMatch, replacingOptions); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(last, m.capturedStart() - last) + expand(replacementTemplate, m);
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

void addAlignment(QTextDocument& document, Qt::Alignment alignment) {
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(alignment);
    cursor.mergeBlockFormat(format);
}

std::unique_ptr<QTextDocument> addingAlignment(const QTextDocument& document, Qt::Alignment alignment) {
    std::unique_ptr<QTextDocument> copy(document.clone());
    addAlignment(*copy, alignment);
    return copy;
}

}  // namespace timecode
