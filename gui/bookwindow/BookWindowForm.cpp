// The child window of one open book.
#include "bookwindow/BookWindowForm.h"

#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QVBoxLayout>

#include "app/CommandGuard.h"
#include "bookwindow/BookWindow.h"

namespace marvek::gui {

TBookWindowForm::TBookWindowForm(TBookWindow& window, QWidget* parent) : QWidget(parent), itsWindow(window) {
    setObjectName("BookWindowForm");
    auto* layout = new QVBoxLayout(this);
    itsName = new QLabel(this);
    itsName->setObjectName("BookNameLabel");
    QFont font = itsName->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    itsName->setFont(font);
    itsDetails = new QLabel(this);
    itsDetails->setObjectName("BookDetailsLabel");
    itsDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(itsName);
    layout->addWidget(itsDetails);
    layout->addStretch();
    resize(420, 260);
}

void TBookWindowForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    // The child is shown before its book opens into it: look again once that is done.
    QTimer::singleShot(0, this, &TBookWindowForm::Refresh);
}

void TBookWindowForm::Refresh() {
    itsName->setText(QString::fromStdString(itsWindow.Caption()));
    if (!itsWindow.BookOpen()) {
        itsDetails->setText(QString());
        return;
    }
    int32_t positions = 0;
    RunCommand([&] { positions = itsWindow.PositionCount(); });
    QString details = tr("%1 positions").arg(QLocale().toString(positions));
    if (itsWindow.ReadOnly()) details += tr("\nRead-only");
    details += "\n" + QString::fromStdString(itsWindow.BookName()) + ".2MD";
    itsDetails->setText(details);
}

} // namespace marvek::gui
