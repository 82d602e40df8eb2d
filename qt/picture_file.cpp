// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the board's picture by the name's extension, and the save dialog.
#include "qt/picture_file.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSettings>
#ifdef NQ_HAVE_SVG
#include <QByteArray>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSvgGenerator>
#include <QVariant>
#endif

#include "qt/board_canvas.h"

namespace nq {
namespace {

const char* const kFolderKey = "board/pictureFolder";

bool HaveJpeg() {
    return QImageWriter::supportedImageFormats().contains(QByteArrayLiteral("jpeg"));
}

// "PNG picture (*.png);;..." for the dialog, in the order of PictureSuffixes.
QString Filters() {
    QString filters = QStringLiteral("PNG picture (*.png)");
#ifdef NQ_HAVE_SVG
    filters += QStringLiteral(";;SVG drawing (*.svg)");
#endif
    if (HaveJpeg()) filters += QStringLiteral(";;JPEG picture (*.jpg *.jpeg)");
    return filters;
}

}  // namespace

QStringList PictureSuffixes() {
    QStringList suffixes{QStringLiteral("png")};
#ifdef NQ_HAVE_SVG
    suffixes << QStringLiteral("svg");
#endif
    if (HaveJpeg()) suffixes << QStringLiteral("jpg") << QStringLiteral("jpeg");
    return suffixes;
}

QString WriteBoardPicture(const BoardPicture& picture, QSize size, const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QStringList suffixes = PictureSuffixes();
    if (!suffixes.contains(suffix)) {
        return QStringLiteral(
                   "A picture can be saved as .%1; \"%2\" has another extension, so nothing was written.")
            .arg(suffixes.join(QStringLiteral(", .")), QFileInfo(path).fileName());
    }
    // Drawn into memory first: the file then sees plain writes, whose failure (a full disk) shows at once.
    QBuffer drawn;
    drawn.open(QIODevice::WriteOnly);
    bool painted = false;
#ifdef NQ_HAVE_SVG
    if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&drawn);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("n-queens board"));
        QPainter painter;
        if (painter.begin(&svg)) {
            painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
            BoardCanvas::Paint(painter, size, picture, {}, false);
            painted = painter.end();
        }
    }
#endif
    if (suffix != QLatin1String("svg")) {
        QImageWriter writer(
            &drawn, suffix == QLatin1String("png") ? QByteArrayLiteral("png") : QByteArrayLiteral("jpeg"));
        painted = writer.write(BoardCanvas::Image(picture, size, 2));
        if (!painted) return writer.errorString();
    }
    if (!painted) return QStringLiteral("the picture could not be drawn");

    QSaveFile file(path);
    file.setDirectWriteFallback(true);  // a folder that takes no temporary file may still take this one
    // Unbuffered: a short write (the disk filled up) is followed by one that fails with the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    const QByteArray& bytes = drawn.data();
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) break;
        done += written;
    }
    if (done < bytes.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

QString AskPicturePath(QWidget* parent) {
    QSettings settings;
    QString folder = settings.value(QLatin1String(kFolderKey)).toString();
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    QString chosen;
    QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Save picture"),
                                     QDir(folder).filePath(QStringLiteral("board.png")), Filters(), &chosen);
    if (path.isEmpty()) return path;
    if (QFileInfo(path).suffix().isEmpty()) {
        path += chosen.contains(QLatin1String("svg"))   ? QStringLiteral(".svg")
                : chosen.contains(QLatin1String("jpg")) ? QStringLiteral(".jpg")
                                                        : QStringLiteral(".png");
    }
    settings.setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
    return path;
}

}  // namespace nq
