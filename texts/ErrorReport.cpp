#include "texts/ErrorReport.h"

#include "texts/ErrorText.h"

namespace zelvora {

QString FormatErrorReport(const QString& heading, const Error& error, KeyRole role) {
    return heading + QStringLiteral("\r\n") +
           QString::fromStdString(DescribeWithNumber(error, Surface::Window, {}, role));
}

std::string FormatErrorLine(std::string_view heading, const Error& error) {
    return std::string(heading) + ": " + DescribeWithNumber(error, Surface::CommandLine);
}

QString FormatKeyFileReport(const QString& path, const Error& error, KeyRole role) {
    return QStringLiteral("Error reading key file ") + path + QStringLiteral("\r\n") +
           QString::fromStdString(
               DescribeWithNumber(error, Surface::Window, path.toStdString(), role));
}

std::string FormatKeyFileLine(std::string_view path, const Error& error, KeyRole role) {
    return "Error reading key file " + std::string(path) + ": " +
           DescribeWithNumber(error, Surface::CommandLine, path, role);
}

}  // namespace zelvora
