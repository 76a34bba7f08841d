#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

enum class FileDialogMode { open, save };

// What a window asks of the open-file or save-file dialog.
struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::open;
    // The file the dialog starts on; its folder is shown.
    QString initialPath;
    // Pairs of description and patterns, each part ended by '|', the list by a second '|':
    // "Bin File (*.bin)|*.bin|All file (*.*)|*.*||".
    QString filter;
    // Appended (after a dot) to a typed name that has no extension.
    QString defaultSuffix;
    // Only an existing file can be chosen.
    bool mustExist = false;
    // Ask before an existing file is chosen for saving.
    bool confirmOverwrite = false;
};

// Shows the dialog modally over `parent`; returns the chosen full path, or an empty text when
// the user cancelled.
QString runFileDialog(QWidget* parent, const FileDialogRequest& request);

// The filter in the toolkit's form, one entry per pair: the description without its pattern
// list, followed by the patterns in parentheses. "*.*" (every file on systems whose file
// names always have an extension) becomes "*", so that names without a dot are listed too.
QStringList fileDialogNameFilters(const QString& filter);

// Tests answer file dialogs instead of showing them: the responder gets the request and
// returns the chosen path, or an empty text for Cancel. An empty responder restores the
// real dialog.
using FileDialogResponder = std::function<QString(const FileDialogRequest&)>;
void setFileDialogResponder(FileDialogResponder responder);
