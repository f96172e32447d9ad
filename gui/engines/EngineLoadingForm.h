// TEngineLoadingForm: the small window shown while an engine is being started.
#pragma once

#include <QWidget>
#include <string>

class QLabel;

namespace marvek::gui {

class TEngineLoadingForm : public QWidget {
    Q_OBJECT

public:
    explicit TEngineLoadingForm(QWidget* parent = nullptr);

    // Shows the engine's file and kind, then "Loading engine...", drawn before the start blocks.
    void ShowLoading(const std::string& path, const std::string& engineName);

    QLabel* FileLabel() const { return itsFile; }
    QLabel* EngineNameLabel() const { return itsEngineName; }
    QLabel* ConnectionLabel() const { return itsConnection; }
    QLabel* StatusLabel() const { return itsStatus; }

private:
    QLabel* itsFile = nullptr;
    QLabel* itsEngineName = nullptr;
    QLabel* itsConnection = nullptr;
    QLabel* itsStatus = nullptr;
};

} // namespace marvek::gui
