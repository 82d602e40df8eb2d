// The main window over Qt: building the widgets from the design table, mirroring the control model, routing
// input.
#include "ui/qt/qt_view.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSessionManager>
#include <QStyle>
#include <algorithm>

#include "ui/qt/qt_platform.h"

namespace nq {

namespace {

QColor ToQColor(ColorValue value) {
    return QColor(static_cast<int>(value & 0xffu), static_cast<int>((value >> 8) & 0xffu),
                  static_cast<int>((value >> 16) & 0xffu));
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
      platform_(platform) {
    const FormDesign& design = Form1Design();
    setWindowTitle(QString::fromStdString(design.Caption));
    setFixedSize(Pixels(design.ClientWidth), Pixels(design.ClientHeight));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(design.BackColor));
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
#ifndef QT_NO_SESSIONMANAGER
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SessionEnding(); });
#endif
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
    QWidget* widget = nullptr;
    switch (design.Kind) {
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(caption, this);
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
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, this);
            button->setAutoDefault(false);
            button->setDefault(false);
            buttons_.push_back({button, form_.ButtonFor(name)});
            // The model ignores a click on a button it has disabled, so a widget a frame behind does no harm.
            connect(button, &QPushButton::clicked, this, [this, name] { form_.Click(name); });
            widget = button;
            break;
        }
        case ControlKind::CheckBox: {
            check_ = new QCheckBox(this);
            check_->setChecked(form_.Check1.Value == 1);
            check_->setAutoFillBackground(true);
            // `clicked` comes from the user alone; the widget then shows the model's value, whatever it made
            // of it.
            connect(check_, &QCheckBox::clicked, this, [this] {
                form_.ToggleCheck();
                check_->setChecked(form_.Check1.Value == 1);
            });
            widget = check_;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(caption, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Alignment(design));
            label->setFocusPolicy(Qt::NoFocus);
            label->setAutoFillBackground(true);
            widget = label;
            break;
        }
    }
    QPalette palette = widget->palette();
    const bool box = design.Kind == ControlKind::TextBox;
    if (design.BackColor)
        palette.setColor(box ? QPalette::Base : QPalette::Window, ToQColor(*design.BackColor));
    if (design.ForeColor)
        palette.setColor(box ? QPalette::Text : QPalette::WindowText, ToQColor(*design.ForeColor));
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
    for (const ButtonLink& button : buttons_) {
        if (button.Widget->isEnabled() != button.Model->Enabled)
            button.Widget->setEnabled(button.Model->Enabled);
    }
    if (check_->isEnabled() != form_.Check1.Enabled) check_->setEnabled(form_.Check1.Enabled);
    const bool checked = form_.Check1.Value == 1;
    if (check_->isChecked() != checked) check_->setChecked(checked);
    emit Mirrored();
}

void QtView::SessionEnding() {
    sessionEnding_ = true;
}

void QtView::closeEvent(QCloseEvent* event) {
    const std::int16_t reason = sessionEnding_ ? 2 : event->spontaneous() ? 0 : 1;
    if (form_.RequestClose(reason)) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace nq
