#pragma once

#include "base/SecureBytes.h"
#include "platform/NewFileWriter.h"
#include "platform/OutputFile.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace zelvora::cli {

// Where a command's result goes as it is made: standard output, written as
// it comes, or a new file that only its owner may read, named only once
// Commit finds it complete. Failures are errno values.
class MessageOutput {
public:
    // `file` names the new file; none is standard output. With
    // `plainTextOnly`, bytes that a terminal would act on rather than show
    // are refused (see IsPrintableText) before any of them is written.
    static std::expected<std::unique_ptr<MessageOutput>, int> Open(
        const std::optional<std::string>& file, bool plainTextOnly);

    int Write(std::span<const std::uint8_t> bytes);
    // Standard output is flushed; the new file gets its name. Without this
    // call the new file never appears.
    int Commit();
    bool PlainTextOnly() const { return plainTextOnly_; }
    // Whether bytes were refused for not being plain text (by Write, or by
    // a caller that checked a whole message first).
    bool RefusedAsNotText() const { return refusedAsNotText_; }
    void RefuseAsNotText() { refusedAsNotText_ = true; }

private:
    MessageOutput() : standardOutput_(OutputFile::StandardOutput()) {}
    int WriteOut(std::span<const std::uint8_t> bytes);

    OutputFile standardOutput_;
    std::unique_ptr<NewFileWriter> file_;
    bool plainTextOnly_ = false;
    bool refusedAsNotText_ = false;
    // The end of the last piece while it may be the start of a character or
    // of a CR LF that the next piece completes.
    SecureBytes carried_;
};

}  // namespace zelvora::cli
