// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over Qt: widgets built from the design table, the control model mirrored onto them, and the
// user's input passed to the window's logic. The view holds nothing that the logic reads.
#pragma once

#include <QWidget>
#include <vector>

#include "window/design.h"
#include "window/form1.h"

class QCheckBox;
class QCloseEvent;
class QLineEdit;
class QPushButton;

namespace nq {

class QtPlatform;

class QtView : public QWidget {
    Q_OBJECT

  public:
    // Builds every control of Form1Design() and attaches itself to the platform. The form and the platform
    // must outlive the view. Call form.Form_Load() before the window is first shown.
    QtView(Form1& form, QtPlatform& platform, QWidget* parent = nullptr);
    ~QtView() override;

    // Brings the widgets in line with the control model (texts, read-only state, entry-row colours, enabled
    // buttons, the check box), touching only what differs. Runs when the event loop is about to wait, before
    // a message box opens, and from the platform's pump during a run.
    void Sync();

    // The widget built for a design entry (index -1 for a single control); nullptr where the design has none.
    QWidget* Control(ControlName name, int index = -1) const;

    // Client-area pixels of a length in twips at 96 dpi; Qt scales them for other screens.
    static int Pixels(int twips);

    // Tells whether the session manager is saving the session at this moment; QGuiApplication's answer
    // unless replaced (tests stand in for a session manager with it).
    using SessionQuery = bool (*)();
    void SetSessionQuery(SessionQuery query) { sessionSaving_ = query; }

  signals:
    // Emitted at the end of every Sync(): the moment to take anything else that shows the model.
    void Mirrored();

  protected:
    // The close request: reason 2 while the session manager is saving the session (log-off, shut-down),
    // else 0 from the window system (close box, window menu, Alt+F4) and 1 from the program's own close().
    // Refused when the window's logic says so.
    void closeEvent(QCloseEvent* event) override;

  private:
    struct BoxLink {
        QLineEdit* Edit;
        TextBox* Model;
        bool MirrorsColor;  // only the entry row changes colour at run time
    };
    struct ButtonLink {
        QPushButton* Widget;
        const Button* Model;
    };
    struct Built {
        const ControlDesign* Design;
        QWidget* Widget;
    };

    QWidget* Build(const ControlDesign& design);
    void ChooseFont();
    void SetTabOrder();
    // Where the focus goes when the model disables the focused control: the run button the same action
    // enabled, else the state line; never "reset" or "quit".
    QWidget* FocusSuccessor(const QWidget* losing) const;

    Form1& form_;
    QtPlatform& platform_;
    std::vector<Built> built_;
    std::vector<BoxLink> boxes_;
    std::vector<ButtonLink> buttons_;
    QCheckBox* check_ = nullptr;
    SessionQuery sessionSaving_;
};

}  // namespace nq
