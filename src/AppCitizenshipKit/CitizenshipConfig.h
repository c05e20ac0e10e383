#pragma once

// The application's identity and links, built once by the application and copied
// into the feedback form, the About panel, the donate link and the menu commands.

#include "FeedbackKit/FeedbackDraft.h"

#include <QColor>
#include <QString>
#include <QUrl>

#include <optional>

namespace citizenship {

struct CitizenshipConfig {
    QString appID;
    QString appName;
    QColor accent;
    QUrl feedbackEndpoint;
    QUrl donateBaseURL;
    QUrl websiteURL;                     // empty: no "Website" link
    QUrl privacyURL;                     // empty: no "Privacy" link
    std::optional<QString> supportEmail;
    feedback::LogProvider logProvider;   // empty: no log option

    // The donate page with "app=<appID>" appended to whatever query it has; the
    // base unchanged when it is empty.
    QUrl donateURL() const;

    feedback::FeedbackConfig feedbackConfig() const {
        return {appID, feedbackEndpoint, accent, logProvider};
    }

    // Addresses on the maker's web origin from the build; empty without one.
    static QUrl defaultFeedbackEndpoint();
    static QUrl defaultDonateBaseURL();
    static QUrl webPage(const QString& path);
};

// `origin` + `path` as an address; empty when the origin is empty or the result
// is not an absolute https address.
QUrl addressOn(const QString& origin, const QString& path);

}  // namespace citizenship
