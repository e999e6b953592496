#pragma once

#include "base/Error.h"
#include "base/ErrorCode.h"

#include <string_view>

namespace zelvora {

// What kind of failure an error number is, as the command line's exit status
// tells it to a script: fix the input or output, fix the command, fix the
// key, ask for the message again, or trust the message less.
enum class ErrorCategory { Failure, Usage, Key, Damaged, NotVerified };

// Everything the front ends say about one error number, in one row.
struct ErrorRow {
    ErrorCode code;
    ErrorCategory category;
    // What a key file path box shows in a word or two when the file cannot
    // be used; empty where "Not a key" says enough.
    std::string_view pathBoxWord;
    // The window's sentence, with its advice.
    std::string_view window;
    // The command line's own, where the window's names the clipboard; empty
    // where one text serves both.
    std::string_view commandLine = {};
    // Where the advice names the recipient, the words for reading, when the
    // public key file names the person the message is expected from.
    std::string_view expectedWriter = {};
    // The command line's words for the same, naming the option (--from)
    // that names the expected writer's key.
    std::string_view expectedWriterOption = {};
};

// The row of a number of the scheme; a number from elsewhere gets the row of
// Internal, so that it still gives a usable report. Not for system errors.
const ErrorRow& ErrorRowOf(const Error& error);

// The category of any error: a system error is a failure of input or output.
ErrorCategory CategoryOf(const Error& error);

// The path box's word for any error, a system error's too.
std::string_view PathBoxWord(const Error& error);

}  // namespace zelvora
