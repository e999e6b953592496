#include "cli/MessageOutput.h"

#include "cli/PrintableText.h"

#include <cerrno>

namespace zelvora::cli {
namespace {

// How many bytes at the end of `bytes` could be completed by what follows:
// a carriage return (the start of a CR LF), or a UTF-8 sequence whose lead
// byte promises more bytes than are there.
std::size_t OpenTail(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return 0;
    }
    if (bytes.back() == '\r') {
        return 1;
    }
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const std::uint8_t c = bytes[bytes.size() - back];
        if ((c & 0xC0) == 0x80) {
            continue;  // a continuation byte: its lead is further back
        }
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

}  // namespace

std::expected<std::unique_ptr<MessageOutput>, int> MessageOutput::Open(
    const std::optional<std::string>& file, bool plainTextOnly) {
    std::unique_ptr<MessageOutput> output(new MessageOutput());
    output->plainTextOnly_ = plainTextOnly;
    if (file) {
        auto writer = NewFileWriter::Open(*file);
        if (!writer) {
            return std::unexpected(writer.error());
        }
        output->file_ = std::move(*writer);
    }
    return output;
}

int MessageOutput::WriteOut(std::span<const std::uint8_t> bytes) {
    return file_ ? file_->Write(bytes) : standardOutput_.Write(bytes);
}

int MessageOutput::Write(std::span<const std::uint8_t> bytes) {
    if (refusedAsNotText_) {
        return EILSEQ;
    }
    if (!plainTextOnly_) {
        return WriteOut(bytes);
    }
    // A character or CR LF cut between two pieces is checked whole.
    SecureBytes joined(carried_.begin(), carried_.end());
    joined.insert(joined.end(), bytes.begin(), bytes.end());
    const std::size_t tail = OpenTail(joined);
    const auto ready = std::span<const std::uint8_t>(joined).first(joined.size() - tail);
    if (!IsPrintableText(ready)) {
        refusedAsNotText_ = true;
        return EILSEQ;
    }
    carried_.assign(joined.end() - static_cast<std::ptrdiff_t>(tail), joined.end());
    return WriteOut(ready);
}

int MessageOutput::Commit() {
    if (!carried_.empty()) {
        // The message ends inside a character or with a lone CR.
        if (!IsPrintableText(carried_)) {
            refusedAsNotText_ = true;
            return EILSEQ;
        }
        if (const int failure = WriteOut(carried_); failure != 0) {
            return failure;
        }
        carried_.clear();
    }
    if (file_) {
        using std::filesystem::perms;
        const int failure = file_->Commit(perms::owner_read | perms::owner_write);
        file_.reset();
        return failure;
    }
    return standardOutput_.Close();
}

}  // namespace zelvora::cli
