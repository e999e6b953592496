#pragma once

#include <QString>

namespace zelvora {

// What the message frame says about the message field until its text
// changes: the caption in place of "Message", and a description for the
// tooltip and screen readers. A warning stands out from the other notices.
struct FrameNotice {
    QString caption;
    QString description;
    bool warning = false;
};

}  // namespace zelvora
