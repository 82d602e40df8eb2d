// SPDX-License-Identifier: GPL-3.0-or-later
// The speed control and "Step" of the board window.
#include "qt/speed_control.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QString>
#include <QVariant>
#include <algorithm>
#include <cstddef>
#include <initializer_list>

#include "qt/qt_view.h"
#include "window/form1.h"

namespace nq {
namespace {

const char* const kSpeedKey = "board/speed";  // steps a second, 0 for full speed

int IndexOf(int speed) {
    const auto* at = std::find(SpeedControl::kSpeeds.begin(), SpeedControl::kSpeeds.end(), speed);
    return at == SpeedControl::kSpeeds.end() ? 0 : static_cast<int>(at - SpeedControl::kSpeeds.begin());
}

}  // namespace

SpeedControl::SpeedControl(Form1& form, QtView& view, QWidget* parent) : QWidget(parent), form_(form) {
    auto* label = new QLabel(QStringLiteral("S&peed:"), this);
    speeds_ = new QComboBox(this);
    speeds_->setObjectName(QStringLiteral("boardSpeed"));
    speeds_->setAccessibleName(QStringLiteral("speed of the search"));
    for (int speed : kSpeeds) {
        speeds_->addItem(speed == 0   ? QStringLiteral("full speed")
                         : speed == 1 ? QStringLiteral("1 step/s")
                                      : QStringLiteral("%1 steps/s").arg(speed));
    }
    speeds_->setToolTip(
        QStringLiteral("How fast the search runs while this window is open (- slower, + faster)"));
    label->setBuddy(speeds_);
    step_ = new QPushButton(QStringLiteral("&Step"), this);
    step_->setObjectName(QStringLiteral("boardStep"));
    step_->setToolTip(QStringLiteral("One step of the search, then break (S)"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(speeds_);
    layout->addStretch(1);
    layout->addWidget(step_);

    auto* slower = new QAction(QStringLiteral("Slower"), this);
    slower->setShortcut(Qt::Key_Minus);
    connect(slower, &QAction::triggered, this, [this] { Choose(speeds_->currentIndex() + 1); });
    auto* faster = new QAction(QStringLiteral("Faster"), this);
    faster->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});
    connect(faster, &QAction::triggered, this, [this] { Choose(speeds_->currentIndex() - 1); });
    stepAction_ = new QAction(QStringLiteral("Step"), this);
    stepAction_->setShortcut(Qt::Key_S);
    for (QAction* action : {slower, faster, stepAction_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    // The step runs inside the click, as "start/continue" does in the main window.
    connect(step_, &QPushButton::clicked, this, [this] { pacer_.Step(form_); });
    connect(stepAction_, &QAction::triggered, this, [this] { pacer_.Step(form_); });

    speeds_->setCurrentIndex(IndexOf(QSettings().value(QLatin1String(kSpeedKey), 0).toInt()));
    pacer_.SetSpeed(kSpeeds[static_cast<std::size_t>(speeds_->currentIndex())]);
    connect(speeds_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        const int speed = kSpeeds[static_cast<std::size_t>(index)];
        pacer_.SetSpeed(speed);
        QSettings settings;
        settings.setValue(QLatin1String(kSpeedKey), speed);
        settings.sync();  // the program may end at once, without destructors
    });

    form_.SetPacer(&pacer_);
    connect(&view, &QtView::Mirrored, this, &SpeedControl::Refresh);
    Refresh();
}

SpeedControl::~SpeedControl() {
    form_.SetPacer(nullptr);
}

void SpeedControl::Choose(int index) {
    speeds_->setCurrentIndex(std::clamp(index, 0, static_cast<int>(kSpeeds.size()) - 1));
}

void SpeedControl::Refresh() {
    const bool can = StepPacer::CanStep(form_);
    if (step_->isEnabled() != can) step_->setEnabled(can);
    stepAction_->setEnabled(can);
}

void SpeedControl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    pacer_.SetShown(true);
}

void SpeedControl::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pacer_.SetShown(false);
}

}  // namespace nq
