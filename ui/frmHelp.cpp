#include "ui/frmHelp.h"

#include "ui/InfoWindowAccess.h"
#include "widgets/ApplicationIcon.h"
#include "ui/LabelFit.h"
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace zelvora {

frmHelp::frmHelp(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zelvora - QuickHelp"));
    setWindowIcon(ApplicationIcon());

    const Twips twips(*this);
    const auto addLabel = [&](const QString& text, int left, int top, int width, int height) {
        auto* label = new QLabel(text, this);
        label->setGeometry(twips.Rect(left, top, width, height));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    };
    Label1 = addLabel(QStringLiteral("1. Select your private key file for decrypting text."), 120,
                      120, 4335, 255);
    Label2 = addLabel(QStringLiteral("2. Select the public key file of the other person who "
                                     "should receive the encrypted message."),
                      120, 480, 4335, 495);
    Label3 = addLabel(
        QStringLiteral("3. For encrypting a message: type your message in to the message field "
                       "and press \"Encrypt to clipboard and clear\". Now your encrypted message "
                       "is in the clipboard and you can paste it into your favourite eMail "
                       "application or messenger. Thats all!"),
        120, 1080, 4335, 1095);
    Label4 = addLabel(
        QStringLiteral("4. For decrypting a message: Copy the encrypted part of your eMail or "
                       "chat conversion to the clipboard. Press \"Decrypt from clipboard\". The "
                       "decrypted message should now appear in the message field of Zelvora. "
                       "Done!"),
        120, 2160, 4335, 855);
    Label5 = addLabel(QStringLiteral("FYI: To make a key pair, run zelvora-keygen NAME in a "
                                     "terminal. It writes NAME.skey, your private key, and "
                                     "NAME.pkey, the public key to give to the other person."),
                      120, 3240, 4455, 735);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setGeometry(twips.Rect(1920, 4080, 735, 255));
    Command1->setAutoDefault(false);
    // Named as the window's members, so tools that walk the window find them.
    int number = 1;
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5}) {
        label->setObjectName(QStringLiteral("Label%1").arg(number++));
    }
    Command1->setObjectName(QStringLiteral("Command1"));
    LabelFit::Apply(*this);

    connect(Command1, &QPushButton::clicked, this, &frmHelp::Command1_Click);
    MakeInfoWindowAccessible(*this, *Command1);

    // Sizable, but the controls keep their places: there is no resize
    // handling, as there is no layout.
    resize(twips.ToPixels(4680), twips.ToPixels(4470));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void frmHelp::Command1_Click() {
    hide();
}

}  // namespace zelvora
