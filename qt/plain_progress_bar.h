// SPDX-License-Identifier: GPL-3.0-or-later
// A progress bar drawn as two plain rectangles and its text. The platform styles draw theirs with patterns
// that the raster engine spreads over worker threads, which a search on the same few cores waits for.
#pragma once

#include <QProgressBar>

namespace nq {

class PlainProgressBar final : public QProgressBar {
  public:
    using QProgressBar::QProgressBar;

  protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace nq
