#include "crypto/CiphertextFormat.h"

#include "crypto/FormatV1.h"
#include "crypto/FormatV2.h"
#include "crypto/FormatV3.h"

#include <array>

namespace zelvora {
namespace {

// Every format this program reads. A new one is added here, and becomes the
// current one once every reader that matters knows it.
const std::array<const CiphertextFormat*, 3>& Formats() {
    static const std::array<const CiphertextFormat*, 3> formats{
        &FormatV1::Instance(), &FormatV2::Instance(), &FormatV3::Instance()};
    return formats;
}

}  // namespace

const CiphertextFormat& WritingFormat() {
    return FormatV3::Instance();
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
