#include "texts/ErrorReport.h"

#include "texts/ErrorText.h"

namespace zelvora {

std::string FormatErrorReport(std::string_view heading, const Error& error, KeyRole role) {
    return std::string(heading) + "\r\n" + DescribeWithNumber(error, Surface::Window, {}, role);
}

std::string FormatErrorLine(std::string_view heading, const Error& error) {
    return std::string(heading) + ": " + DescribeWithNumber(error, Surface::CommandLine);
}

std::string FormatKeyFileReport(std::string_view path, const Error& error, KeyRole role) {
    return "Error reading key file " + std::string(path) + "\r\n" +
           DescribeWithNumber(error, Surface::Window, path, role);
}

std::string FormatKeyFileLine(std::string_view path, const Error& error, KeyRole role) {
    return "Error reading key file " + std::string(path) + ": " +
           DescribeWithNumber(error, Surface::CommandLine, path, role);
}

}  // namespace zelvora
