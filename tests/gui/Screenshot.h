#pragma once

#include <QString>
#include <QWidget>

// Pictures of windows for a person to look at: saved only when MARVEK_SCREENSHOTS names a folder.

namespace marvek::testsupport {

inline void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("MARVEK_SCREENSHOTS");
    if (folder.isEmpty()) return;
    // A window on screen keeps its size; a dialog that was never shown gets its natural one.
    widget.ensurePolished();
    if (!widget.isVisible()) widget.adjustSize();
    widget.grab().save(folder + QStringLiteral("/") + name + QStringLiteral(".png"));
}

} // namespace marvek::testsupport
