// The accessibility of the board canvas: a table of n x n named cells whose press action acts as a click.
#pragma once

#include <QAccessibleInterface>
#include <QString>

class QObject;

namespace nq {

// Installed once with QAccessible::installFactory: the table for a BoardCanvas, nullptr for anything else.
QAccessibleInterface* BoardAccessibleFactory(const QString& className, QObject* object);

}  // namespace nq
