#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zelvora {

// The QuickHelp window: four steps from choosing the key files to reading a
// message, and where key pairs come from. "OK" hides it; its close box
// destroys it.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* owner);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* Command1 = nullptr;

public slots:
    void Command1_Click();
};

}  // namespace zelvora
