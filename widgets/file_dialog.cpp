#include "widgets/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
FileDialogResponder& responder() {
    static FileDialogResponder instance;
    return instance;
}

QString toolkitPatterns(const QString& patterns) {
    QStringList converted;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        converted << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
    }
    return converted.join(u' ');
}
} // namespace

QStringList fileDialogNameFilters(const QString& filter) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString description = parts[i];
        description.remove(trailingPatterns);
        filters << description + QStringLiteral(" (") + toolkitPatterns(parts[i + 1]) + u')';
    }
    return filters;
}

QString runFileDialog(QWidget* parent, const FileDialogRequest& request) {
    if (responder())
        return responder()(request);

    const bool save = request.mode == FileDialogMode::save;
    QFileDialog dialog(parent, save ? QObject::tr("Save As") : QObject::tr("Open"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(fileDialogNameFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initialPath.isEmpty()) {
        const QFileInfo initial(request.initialPath);
        if (initial.absoluteDir().exists())
            dialog.setDirectory(initial.absoluteDir());
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen.first());
}

void setFileDialogResponder(FileDialogResponder newResponder) {
    responder() = std::move(newResponder);
}
