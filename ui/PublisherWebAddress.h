#pragma once

#include <QString>

namespace zelvora {

// The project's home on the web, shown in the About and QuickHelp windows.
inline QString PublisherWebAddress() {
    return QStringLiteral("https://zelvora.org");
}

}  // namespace zelvora
