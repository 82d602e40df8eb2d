// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over Qt: building the widgets from the design table, mirroring the control model, routing
// input.
#include "qt/qt_view.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyle>
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>

#include "qt/qt_platform.h"
#include "window/controls.h"

namespace nq {

namespace {

QColor ToQColor(ColorValue value) {
    return QColor(static_cast<int>(value & 0xffu), static_cast<int>((value >> 8) & 0xffu),
                  static_cast<int>((value >> 16) & 0xffu));
}

// The colours the design takes from the platform: black text, white text boxes, and a selection that reads
// on white. They are set as explicit roles on every widget, so that no desktop palette (a dark one above all)
// puts its own text colour on the design's cyan or its own box colour under the design's black.
const QColor kText(0, 0, 0);
const QColor kBoxBase(255, 255, 255);
const QColor kSelection(48, 140, 198);
const QColor kSelectedText(255, 255, 255);

// A push button that Enter and Return press as the space bar does, while it has the focus. It is no one's
// default button: Enter elsewhere in the window presses nothing.
class PushButton final : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && !event->isAutoRepeat() && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            click();  // the handler may run a whole search in here, as it does for the space bar
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

#if QT_CONFIG(accessibility)
// The main window is announced as a window (frame). Left to Qt, a plain top-level QWidget is a client area,
// which the Linux accessibility bridge shows as a filler.
QAccessibleInterface* AccessibleWindow(const QString& className, QObject* object) {
    if (className != QLatin1String(QtView::staticMetaObject.className()) || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}
#endif

bool SessionBeingSaved() {
#ifndef QT_NO_SESSIONMANAGER
    return qGuiApp != nullptr && qGuiApp->isSavingSession();
#else
    return false;
#endif
}

const char* NameText(ControlName name) {
    switch (name) {
        case ControlName::Text1: return "Text1";
        case ControlName::Text2: return "Text2";
        case ControlName::Text3: return "Text3";
        case ControlName::Text4: return "Text4";
        case ControlName::Text7: return "Text7";
        case ControlName::Text8: return "Text8";
        case ControlName::Command1: return "Command1";
        case ControlName::Command2: return "Command2";
        case ControlName::Command3: return "Command3";
        case ControlName::Command4: return "Command4";
        case ControlName::Command5: return "Command5";
        case ControlName::Command6: return "Command6";
        case ControlName::Check1: return "Check1";
        case ControlName::Label1: return "Label1";
        case ControlName::Label6: return "Label6";
        case ControlName::Label7: return "Label7";
        case ControlName::Label8: return "Label8";
    }
    return "";
}

// Design names as object names: "Command2", "Text7(3)".
QString ObjectName(const ControlDesign& design) {
    QString name = QString::fromLatin1(NameText(design.Name));
    if (design.Index >= 0) name += QStringLiteral("(%1)").arg(design.Index);
    return name;
}

Qt::Alignment Alignment(const ControlDesign& design) {
    return (design.RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

// The space a control leaves for its one line of text, inside the frame and the margins its style draws.
QSize TextRoom(const QWidget& widget) {
    const QStyle& style = *widget.style();
    if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
        const int frame = style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        const int margin = style.pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        return {button->width() - margin - 2 * frame, button->height() - 2 * frame};
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        const int frame =
            edit->hasFrame() ? style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
        constexpr int kHorizontalMargin = 2;  // QLineEdit's own, each side
        constexpr int kVerticalMargin = 1;
        return {edit->width() - 2 * (frame + kHorizontalMargin),
                edit->height() - 2 * (frame + kVerticalMargin)};
    }
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        const QRect inside = label->contentsRect();
        return {inside.width() - 2 * label->margin(), inside.height() - 2 * label->margin()};
    }
    return widget.size();
}

}  // namespace

QtView::QtView(Form1& form, QtPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      form_(form),
      platform_(platform),
      sessionSaving_(&SessionBeingSaved) {
#if QT_CONFIG(accessibility)
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&AccessibleWindow);
        return true;
    }();
    (void)factoryInstalled;
#endif
    const FormDesign& design = Form1Design();
    setWindowTitle(QString::fromStdString(design.Caption));
    setFixedSize(Pixels(design.ClientWidth), Pixels(design.ClientHeight));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(design.BackColor));
    palette.setColor(QPalette::WindowText, kText);
    setPalette(palette);
    setAutoFillBackground(true);

    for (const ControlDesign& control : design.Controls)
        built_.push_back({&control, Build(control)});
    // A text box is always drawn above a label it overlaps (Text1 over "input n:").
    for (const BoxLink& box : boxes_)
        box.Edit->raise();
    check_->raise();
    ChooseFont();
    SetTabOrder();
    if (QWidget* first = Control(ControlName::Text1)) first->setFocus();

    platform_.SetView(this);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &QtView::Sync);
    Sync();
}

QtView::~QtView() {
    platform_.SetView(nullptr);
}

int QtView::Pixels(int twips) {
    return (twips + kTwipsPerPixelAt96Dpi / 2) / kTwipsPerPixelAt96Dpi;
}

QWidget* QtView::Build(const ControlDesign& design) {
    const QString caption = QString::fromStdString(design.Caption);
    const ControlName name = design.Name;
    const int index = design.Index;
    const QColor formBack = ToQColor(Form1Design().BackColor);
    const QColor fore = design.ForeColor ? ToQColor(*design.ForeColor) : kText;
    // Buttons keep the style's look; every other control gets each colour it is drawn with.
    QWidget* widget = nullptr;
    QPalette palette;
    switch (design.Kind) {
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(caption, this);
            edit->setMaxLength(std::numeric_limits<int>::max());  // Qt's default would cut at 32767
            edit->setAlignment(Alignment(design));
            edit->setReadOnly(design.Locked);
            TextBox* model = form_.TextBoxFor(name, index);
            boxes_.push_back({edit, model, name == ControlName::Text7});
            connect(edit, &QLineEdit::textEdited, this, [this, edit, name, index](const QString& text) {
                if (form_.Type(name, index, text.toStdString())) return;
                // The model refuses (a locked box the widget did not know of yet): show what the model holds.
                const TextBox* held = form_.TextBoxFor(name, index);
                edit->setText(held != nullptr ? QString::fromStdString(held->Text) : QString());
            });
            widget = edit;
            palette = edit->palette();
            palette.setColor(QPalette::Window, formBack);  // the frame is drawn from it
            palette.setColor(QPalette::Base, design.BackColor ? ToQColor(*design.BackColor) : kBoxBase);
            palette.setColor(QPalette::Text, fore);
            palette.setColor(QPalette::Highlight, kSelection);
            palette.setColor(QPalette::HighlightedText, kSelectedText);
            break;
        }
        case ControlKind::Button: {
            auto* button = new PushButton(caption, this);
            button->setAutoDefault(false);
            button->setDefault(false);
            buttons_.push_back({button, form_.ButtonFor(name)});
            // The model ignores a click on a button it has disabled, so a widget a frame behind does no harm.
            connect(button, &QPushButton::clicked, this, [this, name] { form_.Click(name); });
            widget = button;
            palette = button->palette();
            break;
        }
        case ControlKind::CheckBox: {
            check_ = new QCheckBox(this);
            check_->setChecked(form_.StopsAtSolutions());
            check_->setAutoFillBackground(true);
            check_->setBackgroundRole(QPalette::Window);  // a button fills from the Button role otherwise
            // `clicked` comes from the user alone; the widget then shows the model's value, whatever it made
            // of it.
            connect(check_, &QCheckBox::clicked, this, [this] {
                form_.ToggleCheck();
                check_->setChecked(form_.StopsAtSolutions());
            });
            widget = check_;
            // A white box with a black mark on the design's cyan, greyed when disabled.
            palette = check_->palette();
            palette.setColor(QPalette::Window, design.BackColor ? ToQColor(*design.BackColor) : formBack);
            palette.setColor(QPalette::WindowText, kText);
            palette.setColor(QPalette::Base, kBoxBase);
            palette.setColor(QPalette::Text, kText);
            palette.setColor(QPalette::Highlight, kSelection);
            palette.setColor(QPalette::Disabled, QPalette::Base, QColor(235, 235, 235));
            palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(caption, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Alignment(design));
            label->setFocusPolicy(Qt::NoFocus);
            label->setAutoFillBackground(true);
            widget = label;
            palette = label->palette();
            palette.setColor(QPalette::Window, design.BackColor ? ToQColor(*design.BackColor) : formBack);
            palette.setColor(QPalette::WindowText, fore);
            break;
        }
    }
    widget->setPalette(palette);

    const Twips& at = design.Geometry;
    widget->setGeometry(Pixels(at.Left), Pixels(at.Top), Pixels(at.Right()) - Pixels(at.Left),
                        Pixels(at.Top + at.Height) - Pixels(at.Top));
    widget->setObjectName(ObjectName(design));
    widget->setAccessibleName(QString::fromStdString(design.AccessibleName));
    return widget;
}

// The design sizes are those of a small bitmap font: takes the platform's font at the largest pixel size (and
// the least narrowing) at which every caption, label and initial text fits whole into its control.
void QtView::ChooseFont() {
    QFont chosen = font();
    for (int pixels = 12; pixels >= 8; --pixels) {
        for (int stretch : {100, 87, 75}) {
            QFont candidate = font();
            candidate.setPixelSize(pixels);
            candidate.setStretch(stretch);
            chosen = candidate;
            const QFontMetrics metrics(candidate);
            const bool fits = std::all_of(built_.begin(), built_.end(), [&](const Built& b) {
                if (b.Design->Caption.empty()) return true;
                const QSize room = TextRoom(*b.Widget);
                return metrics.horizontalAdvance(QString::fromStdString(b.Design->Caption)) <= room.width() &&
                       metrics.height() <= room.height();
            });
            if (fits) {
                setFont(chosen);
                return;
            }
        }
    }
    setFont(chosen);  // the smallest tried: nothing fits better
}

// Focus order = rising tab index over the controls that take the focus; Qt skips disabled ones itself.
void QtView::SetTabOrder() {
    std::vector<Built> order = built_;
    std::stable_sort(order.begin(), order.end(),
                     [](const Built& a, const Built& b) { return a.Design->TabIndex < b.Design->TabIndex; });
    QWidget* previous = nullptr;
    for (const Built& b : order) {
        if (b.Widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous != nullptr) QWidget::setTabOrder(previous, b.Widget);
        previous = b.Widget;
    }
}

QWidget* QtView::Control(ControlName name, int index) const {
    for (const Built& b : built_) {
        if (b.Design->Name == name && b.Design->Index == index) return b.Widget;
    }
    return nullptr;
}

void QtView::Sync() {
    // Enabling comes before disabling, so that the focus can move to a control this mirror enables before
    // the focused one goes grey (Qt would pass it on in tab order, which leads to "reset").
    for (const ButtonLink& button : buttons_) {
        if (!button.Widget->isEnabled() && button.Model->Enabled) button.Widget->setEnabled(true);
    }
    if (!check_->isEnabled() && form_.Check1.Enabled) check_->setEnabled(true);
    if (QWidget* focused = focusWidget(); focused != nullptr && focused->isEnabled()) {
        bool losing = focused == check_ && !form_.Check1.Enabled;
        for (const ButtonLink& button : buttons_)
            losing = losing || (focused == button.Widget && !button.Model->Enabled);
        if (losing) {
            if (QWidget* successor = FocusSuccessor(focused)) successor->setFocus(Qt::OtherFocusReason);
        }
    }
    for (const ButtonLink& button : buttons_) {
        if (button.Widget->isEnabled() && !button.Model->Enabled) button.Widget->setEnabled(false);
    }
    if (check_->isEnabled() && !form_.Check1.Enabled) check_->setEnabled(false);

    for (const BoxLink& box : boxes_) {
        const QString text = QString::fromStdString(box.Model->Text);
        if (box.Edit->text() != text) box.Edit->setText(text);
        if (box.Edit->isReadOnly() != box.Model->Locked) box.Edit->setReadOnly(box.Model->Locked);
        if (box.MirrorsColor) {
            const QColor color = ToQColor(box.Model->ForeColor);
            if (box.Edit->palette().color(QPalette::Text) != color) {
                QPalette palette = box.Edit->palette();
                palette.setColor(QPalette::Text, color);
                box.Edit->setPalette(palette);
            }
        }
    }
    const bool checked = form_.StopsAtSolutions();
    if (check_->isChecked() != checked) check_->setChecked(checked);
    emit Mirrored();
}

// "break" is what "start/continue" and "next solution" enable, "start/continue" what "break" enables, and
// "next solution" what a run that stops at a solution enables.
QWidget* QtView::FocusSuccessor(const QWidget* losing) const {
    for (ControlName name :
         {ControlName::Command3, ControlName::Command2, ControlName::Command4, ControlName::Command1}) {
        QWidget* candidate = Control(name);
        const Button* model = form_.ButtonFor(name);
        if (candidate != losing && candidate != nullptr && model != nullptr && model->Enabled)
            return candidate;
    }
    return Control(ControlName::Text2);  // the state line says what happened; it changes nothing
}

void QtView::closeEvent(QCloseEvent* event) {
    const std::int16_t reason = sessionSaving_() ? 2 : event->spontaneous() ? 0 : 1;
    if (form_.RequestClose(reason)) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace nq
