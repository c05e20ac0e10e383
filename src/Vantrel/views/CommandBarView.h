#pragma once

// The bar between the sources and the queue: output folder, naming pattern,
// default fix mode, verification tier and mismatch tolerance for the next jobs,
// and the button that turns the ready rows into jobs.

#include "Vantrel/queue/VerifyTier.h"
#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/PaneWidgets.h"

#include <QLineEdit>
#include <QWidget>

namespace vantrel {

class AppModel;

// A sunken one-line text field (the naming pattern).
class KelpTextField : public QWidget {
    Q_OBJECT
public:
    explicit KelpTextField(QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void recolor();
    QLineEdit* edit_;
};

class CommandBarView : public QWidget {
    Q_OBJECT

public:
    explicit CommandBarView(AppModel* model, QWidget* parent = nullptr);

    AppModel* model() const { return model_; }
    // Applies model changes now instead of on the next turn.
    void refreshNow() { refresher_.flush(); }

    // "Add to Queue", "Add 1 to Queue", "Add 12 to Queue".
    static QString enqueueTitle(int readyCount);
    static QString tierName(VerifyTier tier);

    // How tightly the bar packs its controls: as designed while there is room;
    // then with tighter spacing; then without the captions of the NAME and FIX
    // groups, whose controls speak for themselves; then without any caption. The
    // loosest that leaves the output folder's placeholder whole is used.
    enum class Density { regular, tight, fewCaptions, noCaptions };
    Density density() const { return density_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    struct Group {
        KelpLabel* caption;
        QWidget* control;
        QHBoxLayout* row;
    };
    QWidget* addGroup(const QString& label, QWidget* control);
    void refresh();
    void stepTolerance(double step);
    void fitToWidth();
    void applyDensity(Density density);
    int neededWidth(Density density) const;

    AppModel* model_;
    KelpPathWell* folder_;
    KelpTextField* pattern_;
    KelpSegGroup* fixMode_;
    KelpMenuButton* tier_;
    KelpLabel* tolerance_;
    KelpButton* enqueue_;
    QList<Group> groups_;  // NAME, FIX, VERIFY, ±TOL
    Density density_ = Density::regular;
    TurnScheduler refresher_;
};

}  // namespace vantrel
