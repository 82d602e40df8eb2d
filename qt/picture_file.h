// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the board's picture to a file: the type follows the name's extension (PNG, SVG where Qt SVG was
// found, JPEG where Qt's image plugins offer it), a failure gives the system's reason, and the save dialog
// opens in the folder used last.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include "window/board_picture.h"

class QWidget;

namespace nq {

// The extensions a picture may be saved under, lower case without the dot, PNG first.
QStringList PictureSuffixes();

// Writes the picture of `picture` as the canvas of `size` shows it, in the type of the name's extension (in
// any case). Returns an empty text, or the reason it was not written: an extension of no type it can write
// (nothing is written then), or the system's reason (no such folder, permission denied, disk full). A file
// already there is replaced only once the new one is whole.
QString WriteBoardPicture(const BoardPicture& picture, QSize size, const QString& path);

// Asks for a file name in the folder used last (the home folder the first time); a name without extension
// takes the chosen type's. Empty when the user cancels.
QString AskPicturePath(QWidget* parent);

}  // namespace nq
