#pragma once

// One row of the source list: a movie, its analysis, its embedded and creation
// timecodes with their time-of-day mismatch, and the row's choices (included,
// fix mode, typed timecode, frame rate). Every edit is one model call by the
// row's id; the row keeps only what it last showed.

#include "Vantrel/media/SourceItem.h"
#include "Vantrel/views/DesignIndicators.h"

#include "TimecodeCore/Timecode.h"

#include <QUuid>
#include <QWidget>

namespace timecode {
class TimecodeField;
}

namespace vantrel {

class AppModel;
class KelpCapsule;
class KelpMenuButton;
class KelpSpinner;
class SymbolText;

// The typed start timecode of a manual row: the timecode field in a sunken cell
// whose border turns red while the row has no start timecode.
class ManualTimecodeCell : public QWidget {
    Q_OBJECT
public:
    explicit ManualTimecodeCell(QWidget* parent = nullptr);
    // Shows the components (zeros in the tertiary colour when none). Showing what
    // is already shown changes nothing, so a model round trip never resets an edit.
    void setComponents(const std::optional<timecode::Timecode::Components>& components);
    // The field edits at this rate, 100 subframes, within 24 hours.
    void setRate(timecode::TimecodeFrameRate rate);
    void setResolved(bool resolved);
    bool isResolved() const { return resolved_; }
    timecode::TimecodeField* field() const { return field_; }

signals:
    void componentsEdited(const timecode::TimecodeComponents& components);

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    void recolor();
    timecode::TimecodeField* field_;
    bool typed_ = false;
    bool resolved_ = false;
    std::optional<bool> invalidDark_;  // the appearance the invalid colour was set for
};

class SourceRowView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowHeight = 50;

    SourceRowView(AppModel* model, const QUuid& id, QWidget* parent = nullptr);
    const QUuid& id() const { return id_; }
    // Shows the row's current item with the window's tolerance and its own
    // blocking reason.
    void setItem(const SourceItem& item, double tolerance);
    // The same with a blocking reason given by the window model (which also knows
    // why the row's last enqueue failed).
    void setItem(const SourceItem& item, double tolerance, const std::optional<QString>& blockingReason);

    // "+12.3s", "−0.4s", "−4:05", "+1:02:03".
    static QString mismatchDeltaText(double delta);
    // The tooltip of the mismatch mark.
    static QString mismatchHelp(double tolerance, bool flagged);
    static QString captionText(const SourceItem& item);
    // "Auto (29.97 DF)" or "Auto".
    static QString autoRateTitle(const SourceItem& item);
    static const QList<FrameRate>& menuRates();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void rebuildRateMenu(const QString& autoTitle);

    AppModel* model_;
    QUuid id_;
    SourceItem item_;
    QString rateMenuAuto_;
    KelpCheckbox* included_;
    KelpLabel* name_;
    KelpLabel* caption_;
    QWidget* status_;
    KelpSpinner* spinner_;
    SymbolText* unreadable_;
    QWidget* readouts_;
    KelpLabel* embedded_;
    KelpLabel* creation_;
    KelpCapsule* mismatch_;
    KelpSegGroup* fixMode_;
    ManualTimecodeCell* manual_;
    KelpMenuButton* rate_;
    SymbolText* blocking_;
    KelpIconButton* remove_;
};

}  // namespace vantrel
