#include "texts/ErrorReport.h"

namespace zelvora {

QString FormatErrorNumber(std::int32_t number) {
    return QString::number(static_cast<std::uint32_t>(number), 16).toUpper();
}

QString FormatErrorReport(const QString& heading, const Error& error) {
    return heading + QStringLiteral("\r\n") + QString::fromStdString(error.description) +
           QStringLiteral(" (") + FormatErrorNumber(error.number) + QStringLiteral(")");
}

}  // namespace zelvora
