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

QString KeyFileHeading(const QString& path) {
    return QStringLiteral("Error reading key file ") + path;
}

}  // namespace zelvora
