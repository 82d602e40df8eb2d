// SPDX-License-Identifier: GPL-3.0-or-later
// The accessibility of the board window: the window's role, the status line's text, and the board canvas as a
// table of n x n named cells whose press action acts as a click.
#pragma once

#include <QAccessibleInterface>
#include <QString>

class QObject;

namespace nq {

// Installed once with QAccessible::installFactory: the table for a BoardCanvas, a window for the BoardWindow,
// a text for its BoardStatus; nullptr for anything else.
QAccessibleInterface* BoardAccessibleFactory(const QString& className, QObject* object);

}  // namespace nq
