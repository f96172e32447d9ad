#pragma once

#include <QString>
#include <QWidget>

// Pictures of windows for a person to look at: saved only when MARVEK_SCREENSHOTS names a folder.

namespace marvek::testsupport {

inline void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("MARVEK_SCREENSHOTS");
    if (folder.isEmpty()) return;
    widget.ensurePolished();
    widget.adjustSize();
    widget.grab().save(folder + QStringLiteral("/") + name + QStringLiteral(".png"));
}

} // namespace marvek::testsupport
