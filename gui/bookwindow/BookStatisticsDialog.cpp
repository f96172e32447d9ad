// The About This Book dialog: a caption and a value a line, the path cut in the middle to fit.
#include "bookwindow/BookStatisticsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "app/DialogButtons.h"

namespace marvek::gui {

namespace {

const char* const kCaptions[] = {"Book:",      "Positions:",       "Named Positions:",   "Main File Size:",
                                 "Read Only:", "Database Safety:", "Training Positions:"};

QString YesNo(bool on) {
    return on ? QStringLiteral("YES") : QStringLiteral("NO");
}

} // namespace

TBookStatisticsDialog::TBookStatisticsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("BookStatisticsDialog");
    setWindowTitle(QStringLiteral("About This Book"));
    setModal(true);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    for (int row = 0; row < int(std::size(kCaptions)); ++row) {
        auto* caption = new QLabel(QString::fromLatin1(kCaptions[row]));
        auto* value = new QLabel;
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(caption, row, 0, Qt::AlignRight);
        grid->addWidget(value, row, 1);
        itsRows.append(qMakePair(caption, value));
    }
    itsPath = itsRows.front().second;
    itsPath->setFixedWidth(kPathWidth);

    QDialogButtonBox* buttons = MakeOkRow(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TBookStatisticsDialog::Execute(const TBookStatistics& statistics) {
    Show(statistics);
    ExecDialog();
}

void TBookStatisticsDialog::Show(const TBookStatistics& statistics) {
    const QString path = QString::fromStdString(statistics.itsPath);
    itsPath->setText(itsPath->fontMetrics().elidedText(path, Qt::ElideMiddle, kPathWidth));
    itsPath->setToolTip(path);
    const QLocale locale = QLocale::system();
    const QString values[] = {locale.toString(statistics.itsPositions),
                              locale.toString(statistics.itsNamedPositions),
                              locale.toString(qlonglong(statistics.itsMainFileSize)) +
                                  QStringLiteral(" bytes"),
                              YesNo(statistics.itsReadOnly),
                              YesNo(statistics.itsDatabaseSafety),
                              locale.toString(statistics.itsTrainingPositions)};
    for (int row = 1; row < itsRows.size(); ++row) itsRows[row].second->setText(values[row - 1]);
}

QString TBookStatisticsDialog::Value(const QString& caption) const {
    for (const auto& row : itsRows)
        if (row.first->text() == caption) return row.second->text();
    return {};
}

} // namespace marvek::gui
