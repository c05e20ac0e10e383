#pragma once

// What the window model asks of an open panel. The panels themselves belong to
// the views (views/OpenPanel.h): the model says what it needs and takes the
// answer.

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

namespace vantrel {

struct OpenPanelRequest {
    enum class Kind { movieFiles, folder };

    Kind kind = Kind::movieFiles;
    QString prompt;   // the accept button's text
    QString message;  // what the panel asks for
};

// Shows a panel and waits for the user's choice; an empty list means it was cancelled.
using OpenPanelRunner = std::function<QList<QUrl>(const OpenPanelRequest&)>;

}  // namespace vantrel
