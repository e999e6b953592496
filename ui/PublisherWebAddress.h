#pragma once

#include <QString>

namespace zelvora {

// The project's home on the web, shown in the About window.
inline QString PublisherWebAddress() {
    return QStringLiteral("https://zelvora.org");
}

}  // namespace zelvora
