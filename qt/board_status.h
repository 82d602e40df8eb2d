// SPDX-License-Identifier: GPL-3.0-or-later
// The status line under the board: a label that the keyboard reaches (Tab) and whose text assistive
// technology reads (its accessible name is the text; its description says what the line is).
#pragma once

#include <QLabel>

namespace nq {

class BoardStatus final : public QLabel {
    Q_OBJECT

  public:
    // Keeps room for three lines of text: the layout never lets the board cover it, nor it the board.
    explicit BoardStatus(QWidget* parent);
};

}  // namespace nq
