#include "texts/ErrorReport.h"

#include "texts/ErrorText.h"

namespace zelvora {

QString FormatErrorReport(const QString& heading, const Error& error) {
    return heading + QStringLiteral("\r\n") +
           QString::fromStdString(DescribeWithNumber(error, Surface::Window));
}

std::string FormatErrorLine(std::string_view heading, const Error& error) {
    return std::string(heading) + ": " + DescribeWithNumber(error, Surface::CommandLine);
}

QString FormatKeyFileReport(const QString& path, const Error& error) {
    return QStringLiteral("Error reading key file ") + path + QStringLiteral("\r\n") +
           QString::fromStdString(DescribeWithNumber(error, Surface::Window, path.toStdString()));
}

std::string FormatKeyFileLine(std::string_view path, const Error& error) {
    return "Error reading key file " + std::string(path) + ": " +
           DescribeWithNumber(error, Surface::CommandLine, path);
}

}  // namespace zelvora
