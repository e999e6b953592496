#include "texts/ErrorText.h"

#include "texts/ErrorTable.h"

#include "base/ErrorCode.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <array>
#include <string_view>

namespace zelvora {
namespace {

// The path as a shell takes it, quoted only when it has to be.
std::string ForShell(std::string_view path) {
    const bool plain = !path.empty() && std::all_of(path.begin(), path.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_./+,:@%=-").find(c) != std::string_view::npos;
    });
    if (plain) {
        return std::string(path);
    }
    std::string quoted = "'";
    for (const char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

std::string Describe(const Error& error, Surface surface, std::string_view file, KeyRole role) {
    // Key files refused for their mode or owner: the words ssh users know,
    // with the command that puts it right.
    if (error.number == ErrorNumber(ErrorCode::PrivateKeyFileOpen) && !file.empty()) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(error.detail));
        return std::string("Permissions ") + mode +
               " are too open: others must not be able to read or change a private key file. "
               "Run chmod 600 " +
               ForShell(file);
    }
    if (error.number == ErrorNumber(ErrorCode::PrivateKeyFileForeign)) {
        return "The private key file belongs to another user (uid " + std::to_string(error.detail) +
               "): only your own may be used. Copy it to a file of yours and run chmod 600 on "
               "that.";
    }
    return Describe(error, surface, role);
}

std::string Describe(const Error& error, Surface surface, KeyRole role) {
    if (IsSystemError(error)) {
        return SystemErrorText(error.number);
    }
    const ErrorRow& row = ErrorRowOf(error);
    if (role == KeyRole::ExpectedWriter && surface == Surface::CommandLine &&
        !row.expectedWriterOption.empty()) {
        return std::string(row.expectedWriterOption);
    }
    if (role == KeyRole::ExpectedWriter && surface == Surface::Window &&
        !row.expectedWriter.empty()) {
        return std::string(row.expectedWriter);
    }
    if (surface == Surface::CommandLine && !row.commandLine.empty()) {
        return std::string(row.commandLine);
    }
    return std::string(row.window);
}

std::string FormatErrorNumber(std::int32_t number) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    auto value = static_cast<std::uint32_t>(number);
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

std::string DescribeWithNumber(const Error& error, Surface surface, std::string_view file,
                               KeyRole role) {
    return Describe(error, surface, file, role) + " (" + FormatErrorNumber(error.number) + ")";
}

}  // namespace zelvora
