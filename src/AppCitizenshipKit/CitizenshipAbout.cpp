#include "AppCitizenshipKit/CitizenshipAbout.h"

#include "FeedbackKit/FeedbackDraft.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace citizenship {

namespace {


QFont sized(const QFont& base, int pixels, bool bold = false) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The credits browser sizes itself to its text.
class CreditsView : public QTextBrowser {
public:
    explicit CreditsView(QWidget* parent) : QTextBrowser(parent) {
        setObjectName(QStringLiteral("credits"));
        setOpenLinks(false);
        setOpenExternalLinks(false);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        viewport()->setAutoFillBackground(false);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { QDesktopServices::openUrl(url); });
    }

    void fit() {
        document()->setTextWidth(viewport()->width() > 0 ? viewport()->width() : 260);
        setFixedHeight(int(document()->size().height()) + 2);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QTextBrowser::resizeEvent(event);
        fit();
    }
};

// The panel keeps the configuration it shows, so its links follow a change of
// the light or dark palette.
class AboutPanel : public QDialog {
public:
    AboutPanel()
        : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {}

    void fill(const CitizenshipConfig& config) {
        m_config = config;
        auto* credits = findChild<CreditsView*>();
        CitizenshipAbout::buildCredits(credits->document(), m_config, palette().color(QPalette::Link));
        credits->fit();
    }

protected:
    void changeEvent(QEvent* event) override {
        QDialog::changeEvent(event);
        if (event->type() == QEvent::PaletteChange && findChild<CreditsView*>()) fill(m_config);
    }

private:
    CitizenshipConfig m_config;
};

AboutPanel* makePanel(const CitizenshipConfig& config) {
    auto* panel = new AboutPanel;
    panel->setObjectName(QStringLiteral("aboutPanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowTitle(QStringLiteral("About ") + config.appName);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(24, 20, 24, 18);
    column->setSpacing(6);

    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        auto* image = new QLabel(panel);
        image->setObjectName(QStringLiteral("appIcon"));
        image->setPixmap(icon.pixmap(64, 64));
        image->setAlignment(Qt::AlignCenter);
        column->addWidget(image);
        column->addSpacing(4);
    }
    auto* name = new QLabel(config.appName, panel);
    name->setObjectName(QStringLiteral("appName"));
    name->setTextFormat(Qt::PlainText);
    name->setAlignment(Qt::AlignCenter);
    name->setFont(sized(panel->font(), 15, true));
    column->addWidget(name);

    const feedback::FeedbackEnvironment environment = feedback::FeedbackEnvironment::current();
    auto* version = new QLabel(QStringLiteral("Version ") + environment.appVersion + QStringLiteral(" (")
                                   + environment.build + QStringLiteral(")"), panel);
    version->setObjectName(QStringLiteral("appVersion"));
    version->setTextFormat(Qt::PlainText);
    version->setAlignment(Qt::AlignCenter);
    version->setFont(sized(panel->font(), 11));
    column->addWidget(version);
    column->addSpacing(8);

    auto* credits = new CreditsView(panel);
    credits->setFont(sized(panel->font(), 11));
    column->addWidget(credits);
    panel->setFixedWidth(320);
    return panel;
}

}  // namespace

namespace {
QPointer<AboutPanel> openPanel;
}

QDialog* CitizenshipAbout::window() { return openPanel; }

void CitizenshipAbout::show(const CitizenshipConfig& config) {
    AboutPanel* panel = openPanel;
    if (!panel) openPanel = panel = makePanel(config);
    panel->fill(config);
    panel->adjustSize();
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void CitizenshipAbout::buildCredits(QTextDocument* document, const CitizenshipConfig& config,
                                    const QColor& linkColor) {
    document->clear();
    QTextCursor cursor(document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    bool first = true;
    auto append = [&](const QString& title, const QUrl& url) {
        if (url.isEmpty() || !url.isValid()) return;
        if (!first) cursor.insertText(QStringLiteral("    "), QTextCharFormat());
        first = false;
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(url.toString(QUrl::FullyEncoded));
        link.setForeground(linkColor);
        cursor.insertText(title, link);
    };
    append(QStringLiteral("Website"), config.websiteURL);
    append(QStringLiteral("Tip Jar"), config.donateURL());
    append(QStringLiteral("Privacy"), config.privacyURL);
    if (config.supportEmail)
        append(QStringLiteral("Email"), QUrl(QStringLiteral("mailto:") + *config.supportEmail, QUrl::StrictMode));
}

DonateLink::DonateLink(CitizenshipConfig config, std::optional<QString> label, QWidget* parent)
    : QLabel(parent), m_config(std::move(config)) {
    setObjectName(QStringLiteral("donateLink"));
    setTextFormat(Qt::PlainText);
    setText(label.value_or(QStringLiteral("\u2665 Leave a Tip")));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleDescription(m_config.donateURL().toString());
    restyle(false);
}

void DonateLink::activate() {
    const QUrl url = m_config.donateURL();
    if (!url.isEmpty() && url.isValid()) QDesktopServices::openUrl(url);
}

void DonateLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) activate();
    QLabel::mouseReleaseEvent(event);
}

void DonateLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        activate();
        return;
    }
    QLabel::keyPressEvent(event);
}

void DonateLink::enterEvent(QEnterEvent* event) {
    restyle(true);
    QLabel::enterEvent(event);
}

void DonateLink::leaveEvent(QEvent* event) {
    restyle(false);
    QLabel::leaveEvent(event);
}

void DonateLink::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        QPalette linked = palette();
        if (linked.color(QPalette::WindowText) != linked.color(QPalette::Link)) {
            linked.setColor(QPalette::WindowText, linked.color(QPalette::Link));
            setPalette(linked);
        }
    }
}

void DonateLink::restyle(bool hovered) {
    QPalette linked = palette();
    linked.setColor(QPalette::WindowText, linked.color(QPalette::Link));
    setPalette(linked);
    QFont underlined = font();
    underlined.setUnderline(hovered);
    setFont(underlined);
}

}  // namespace citizenship
