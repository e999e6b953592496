#pragma once

#include <QObject>

class QPushButton;

namespace zelvora {

// Enter and Return press the push button that has the focus, as they do on
// the desktop the windows were drawn for. Qt leaves that to the space bar
// outside dialogs, and making the buttons auto-default instead would give
// them a default frame, which none of them has.
class EnterClicksButton : public QObject {
    Q_OBJECT
public:
    static void Install(QPushButton& button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit EnterClicksButton(QPushButton& button);
};

}  // namespace zelvora
