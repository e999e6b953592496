#include "crypto/CiphertextFormat.h"

#include "crypto/FormatV1.h"
#include "crypto/FormatV2.h"

#include <array>

namespace zelvora {
namespace {

// Every format this program reads. A new one is added here, and becomes the
// current one once every reader that matters knows it.
const std::array<const CiphertextFormat*, 2>& Formats() {
    static const std::array<const CiphertextFormat*, 2> formats{&FormatV1::Instance(),
                                                                &FormatV2::Instance()};
    return formats;
}

}  // namespace

const CiphertextFormat& WritingFormat(bool signing) {
    if (signing) {
        return FormatV2::Instance();
    }
    return FormatV1::Instance();
}

const CiphertextFormat* FormatForVersion(std::uint8_t version) {
    for (const CiphertextFormat* format : Formats()) {
        if (format->Version() == version) {
            return format;
        }
    }
    return nullptr;
}

}  // namespace zelvora
