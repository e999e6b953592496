#include "ui/frmAbout.h"

#include "ui/InfoWindowAccess.h"
#include "ui/LabelFit.h"
#include "ui/PublisherWebAddress.h"
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace zelvora {

frmAbout::frmAbout(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    // Closing by the title bar destroys the window; the owner makes a new
    // one the next time. "OK" only hides it.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Zelvora"));
    // A window without an icon of its own would show its owner's.
    setWindowIcon(QIcon());

    const Twips twips(*this);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setGeometry(twips.Rect(1080, 1200, 1215, 375));
    Command1->setAutoDefault(false);
    Label1 = new QLabel(QString(), this);
    Label1->setGeometry(twips.Rect(120, 0, 3015, 615));
    Label2 = new QLabel(PublisherWebAddress(), this);
    Label2->setGeometry(twips.Rect(720, 840, 1815, 255));
    for (QLabel* label : {Label1, Label2}) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    // Named as the window's members, so tools that walk the window find them.
    Command1->setObjectName(QStringLiteral("Command1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    LabelFit::Apply(*this);

    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    MakeInfoWindowAccessible(*this, *Command1);

    setFixedSize(twips.ToPixels(3405), twips.ToPixels(1680));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void frmAbout::Command1_Click() {
    hide();
}

}  // namespace zelvora
