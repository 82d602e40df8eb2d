// SPDX-License-Identifier: GPL-3.0-or-later
// The board window's speed control and "Step": a list of speeds from full speed down to one step a second
// (remembered in the settings) and the Step button, with their keys. They drive the window's StepPacer, which
// the control registers with the window for as long as it lives.
#pragma once

#include <QWidget>
#include <array>

#include "window/step_pacer.h"

class QAction;
class QComboBox;
class QPushButton;

namespace nq {

class QtView;

class SpeedControl : public QWidget {
    Q_OBJECT

  public:
    // The speeds of the list, top to bottom, in steps a second; 0 is full speed.
    static constexpr std::array<int, 8> kSpeeds{0, 1000, 300, 100, 30, 10, 3, 1};

    // Follows the view's mirrors (Step is enabled where the window allows it). Form and view must outlive it.
    SpeedControl(Form1& form, QtView& view, QWidget* parent);
    ~SpeedControl() override;

    const StepPacer& Pacer() const { return pacer_; }
    QComboBox* Speeds() const { return speeds_; }
    QPushButton* StepButton() const { return step_; }
    // Chooses the list entry `index` (clamped to the list), as the user would.
    void Choose(int index);

  public slots:
    void Refresh();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Form1& form_;
    StepPacer pacer_;
    QComboBox* speeds_ = nullptr;
    QPushButton* step_ = nullptr;
    QAction* stepAction_ = nullptr;
};

}  // namespace nq
