// TBookStatisticsDialog: "About This Book", the open book's path, counts, size and options.
#pragma once

#include <QDialog>

#include "bookwindow/BookWindowDialogs.h"

class QLabel;

namespace marvek::gui {

class TBookStatisticsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPathWidth = 360;

    explicit TBookStatisticsDialog(QWidget* parent = nullptr);

    void Execute(const TBookStatistics& statistics);
    // The value shown beside a caption ("Positions:", ...); the path's label is "Book:".
    QString Value(const QString& caption) const;

protected:
    virtual int ExecDialog() { return exec(); }

private:
    void Show(const TBookStatistics& statistics);

    QLabel* itsPath = nullptr;
    QList<QPair<QLabel*, QLabel*>> itsRows;
};

} // namespace marvek::gui
