#include "AppCitizenshipKit/CitizenshipCommands.h"

#include "AppCitizenshipKit/CitizenshipAbout.h"
#include "FeedbackKit/FeedbackPresenter.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>

namespace citizenship {

void CitizenshipCommands::sendFeedback() const {
    feedback::FeedbackCommands(m_config.feedbackConfig()).sendFeedback();
}

void CitizenshipCommands::leaveTip() const {
    const QUrl url = m_config.donateURL();
    if (!url.isEmpty() && url.isValid()) QDesktopServices::openUrl(url);
}

void CitizenshipCommands::showAbout() const { CitizenshipAbout::show(m_config); }

QString CitizenshipCommands::aboutTitle() const { return QStringLiteral("About ") + m_config.appName; }

QList<QAction*> CitizenshipCommands::makeActions(QObject* parent) const {
    auto separator = [parent] {
        auto* action = new QAction(parent);
        action->setSeparator(true);
        return action;
    };
    QList<QAction*> actions{feedback::FeedbackCommands(m_config.feedbackConfig()).makeAction(parent)};
    if (m_includeDonate) {
        actions.append(separator());
        auto* tip = new QAction(QStringLiteral("Leave a Tip"), parent);
        tip->setObjectName(QStringLiteral("leaveTipAction"));
        tip->setEnabled(!m_config.donateURL().isEmpty());
        QObject::connect(tip, &QAction::triggered, tip, [commands = *this] { commands.leaveTip(); });
        actions.append(tip);
    }
    if (m_includeAbout) {
        actions.append(separator());
        auto* about = new QAction(aboutTitle(), parent);
        about->setObjectName(QStringLiteral("aboutAction"));
        about->setMenuRole(QAction::AboutRole);
        QObject::connect(about, &QAction::triggered, about, [commands = *this] { commands.showAbout(); });
        actions.append(about);
    }
    return actions;
}

void CitizenshipCommands::addTo(QMenu* menu) const {
    if (!menu->actions().isEmpty()) menu->addSeparator();
    menu->addActions(makeActions(menu));
}

}  // namespace citizenship
