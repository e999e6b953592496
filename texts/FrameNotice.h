#pragma once

#include <string>

namespace zelvora {

// What the message frame says about the message field until its text
// changes: the caption in place of "Message", and a description for the
// tooltip and screen readers, both UTF-8. A warning stands out from the
// other notices.
struct FrameNotice {
    std::string caption;
    std::string description;
    bool warning = false;
};

}  // namespace zelvora
