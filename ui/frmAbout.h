#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zelvora {

// The About window: a small tool window in front of its owner, the main
// window. "OK" hides it; its close box destroys it.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner);

    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

public slots:
    void Command1_Click();
};

}  // namespace zelvora
