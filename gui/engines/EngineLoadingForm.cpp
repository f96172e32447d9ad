// The engine loading form: which engine, how it is reached, and that it is loading.
#include "engines/EngineLoadingForm.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "app/StringTable.h"

namespace marvek::gui {

TEngineLoadingForm::TEngineLoadingForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("EngineLoadingForm");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    for (QLabel** label : {&itsFile, &itsEngineName, &itsConnection, &itsStatus}) {
        *label = new QLabel(this);
        (*label)->setTextFormat(Qt::PlainText);
        layout->addWidget(*label);
    }
    QFont bold = itsEngineName->font();
    bold.setBold(true);
    itsEngineName->setFont(bold);
    itsFile->setObjectName("EngineFileLabel");
    itsEngineName->setObjectName("EngineNameLabel");
    itsConnection->setObjectName("ConnectionLabel");
    itsStatus->setObjectName("StatusLabel");
    setMinimumWidth(320);
}

void TEngineLoadingForm::ShowLoading(const std::string& path, const std::string& engineName) {
    setWindowTitle(QString::fromStdString(LoadMessage(610)));
    itsFile->setText(QString::fromStdString(path));
    itsEngineName->setText(QString::fromStdString(engineName));
    itsConnection->setText(QString::fromStdString(LoadMessage(1728)));
    itsStatus->clear();
    if (parentWidget() != nullptr) {
        const QRect area = parentWidget()->window()->geometry();
        adjustSize();
        move(area.center() - rect().center());
    }
    show();
    itsStatus->setText(QString::fromStdString(LoadMessage(630)));
    // The start blocks the event loop for up to two seconds: draw the form first.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace marvek::gui
