// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a window as drawn on a desktop set up as people have it: the WCAG 2 contrast of what a region
// shows, and the palette of a dark desktop theme. Shared by the real-window tests of both windows.
#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <map>

namespace nq::qttest {

// WCAG 2 contrast ratio of two colours (1 to 21).
inline double Contrast(QColor a, QColor b) {
    auto luminance = [](QColor c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A region of a widget as drawn: its most frequent colour (the background) and the strongest contrast any
// pixel makes against it (the text, or a mark).
struct Reading {
    QColor Background;
    double Contrast = 1;
};

inline Reading Read(QWidget* widget, QRect region) {
    const QImage image = widget->grab(region).toImage().convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    }
    Reading reading;
    int most = 0;
    for (const auto& [rgb, count] : counts) {
        if (count > most) {
            most = count;
            reading.Background = QColor(rgb);
        }
    }
    for (const auto& [rgb, count] : counts)
        reading.Contrast = std::max(reading.Contrast, Contrast(reading.Background, QColor(rgb)));
    return reading;
}

// A palette as a dark desktop theme sets it: near-white text on near-black boxes and windows.
inline QPalette DarkPalette() {
    QPalette p;
    const QColor window(53, 53, 53), base(35, 35, 35), text(238, 238, 236);
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase, QPalette::ToolTipBase})
        p.setColor(role, window);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText,
                      QPalette::BrightText, QPalette::HighlightedText})
        p.setColor(role, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(127, 127, 127));
    return p;
}

}  // namespace nq::qttest
