#include "widgets/ApplicationIcon.h"

namespace zelvora {

QIcon ApplicationIcon() {
    return QIcon(QStringLiteral(":/icons/org.zelvora.Zelvora.png"));
}

}  // namespace zelvora
