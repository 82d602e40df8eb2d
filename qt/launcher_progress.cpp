// SPDX-License-Identifier: GPL-3.0-or-later
// The launcher-entry signal over the session bus.
#include "qt/launcher_progress.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QString>
#include <QVariantMap>

namespace nq {

LauncherProgress::LauncherProgress() {
    // Only a session bus that is there already: asking for one where there is none may start a daemon.
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool socket = !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
    if (address.isEmpty() && !socket) return;
    enabled_ = QDBusConnection::sessionBus().isConnected();
}

void LauncherProgress::Show(bool visible, double progress) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (visible == shown_ && (!visible || progress == sent_ || now - last_ < kInterval)) return;
    shown_ = visible;
    sent_ = progress;
    last_ = now;
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/%1").arg(QCoreApplication::applicationPid()),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), progress);
    properties.insert(QStringLiteral("progress-visible"), visible);
    signal << QStringLiteral("application://%1.desktop").arg(QGuiApplication::desktopFileName())
           << properties;
    QDBusConnection::sessionBus().send(signal);
}

}  // namespace nq
