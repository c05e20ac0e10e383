#pragma once

// The About panel (icon, name, version and a centred line of the maker's links)
// and the donate link.

#include "AppCitizenshipKit/CitizenshipConfig.h"

#include <QDialog>
#include <QLabel>

class QTextDocument;

namespace citizenship {

class CitizenshipAbout {
public:
    // Opens the panel, or brings the open one forward with fresh credits.
    static void show(const CitizenshipConfig& config);
    static QDialog* window();

    // The credits: "Website", "Tip Jar", "Privacy", "Email" as far as the
    // configuration has addresses for them, four spaces between, centred.
    static void buildCredits(QTextDocument* document, const CitizenshipConfig& config, const QColor& linkColor);
};

// A link to the donate page in plain text; opens it in the browser.
class DonateLink : public QLabel {
    Q_OBJECT
public:
    explicit DonateLink(CitizenshipConfig config, std::optional<QString> label = std::nullopt,
                        QWidget* parent = nullptr);
    void activate();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void restyle(bool hovered);
    CitizenshipConfig m_config;
};

}  // namespace citizenship
