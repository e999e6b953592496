#include "ui/QtFileDialog.h"

#include <QFileDialog>

namespace zelvora {

QStringList QtFileDialog::NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            // On this system a file name need not contain a dot at all.
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        // The dialog takes the patterns from the last parentheses and, with
        // HideNameFilterDetails, shows only what stands before them: the
        // description itself, even when it spells out patterns of its own.
        entries.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return entries;
}

QString QtFileDialog::GetOpenFileName(const QString& title, const QString& filter,
                                      const QString& fileName, const QString& folder) {
    QFileDialog dialog(owner_, title);
    // The desktop's own dialogs insist on an existing file when opening; a
    // key file path typed for a file still to come must be accepted.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(filter));
    dialog.setDirectory(folder);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted) {
        return QString();
    }
    return dialog.selectedFiles().value(0);
}

QString QtFileDialog::GetExistingFolder(const QString& title, const QString& folder) {
    QFileDialog dialog(owner_, title);
    // The same dialog as for opening a file, so every chooser of the window
    // looks and behaves alike whatever the desktop offers.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted) {
        return QString();
    }
    return dialog.selectedFiles().value(0);
}

}  // namespace zelvora
