// SPDX-License-Identifier: GPL-3.0-or-later
// The board window beside the main window: the n x n board painted from a snapshot of the window's state
// taken at every mirror of the main window, queens placed by pointing (typed into the entry row as a user
// would), a status line and the progress of a search, which the taskbar entry shows too where the desktop
// reads it.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "window/board_picture.h"

class QAction;
class QLabel;
class QProgressBar;

namespace nq {

class BoardCanvas;
class LauncherProgress;
class QtView;
class SpeedControl;

// The top-level window "Board": the canvas, the status line and the progress bar. Its "Board" action (F2) and
// "Copy position" also go into the main window's context menu. Closing it asks nothing and leaves any search
// running; the program ends with the main window.
class BoardWindow : public QWidget {
    Q_OBJECT

  public:
    // Follows the view's mirrors from now on. Form and view must outlive the board window.
    BoardWindow(Form1& form, QtView& view);
    ~BoardWindow() override;

    // Shows the window where the settings remember it open (with its remembered geometry), or when `open`.
    void Restore(bool open);
    // Shows the window when hidden, hides it when shown.
    void Toggle();
    // The board's position to the clipboard: as text ("r1 r2 ... rn", 0 for an empty column) and as a
    // picture; nothing while there is no board.
    void CopyPosition();
    // Writes the picture of the board in the type of the name's extension (picture_file.h). Returns false,
    // with the reason in `why` when given, when the file was not written.
    bool SavePicture(const QString& path, QString* why = nullptr);

    BoardCanvas* Canvas() const { return canvas_; }
    QLabel* StatusLine() const { return status_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QAction* ToggleAction() const { return toggle_; }
    SpeedControl* Speed() const { return speed_; }

  public slots:
    // Takes the picture of the window's state and repaints what changed.
    void Refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void AskAndSave();
    // The main window's "Copy position": its display row as text; nothing while there is no board.
    void CopyDisplayRow();
    void Remember();

    Form1& form_;
    QtView& view_;
    BoardWatcher watcher_;
    BoardCanvas* canvas_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    SpeedControl* speed_ = nullptr;
    QAction* toggle_ = nullptr;
    std::unique_ptr<LauncherProgress> launcher_;
    QTimer rememberLater_;
};

}  // namespace nq
