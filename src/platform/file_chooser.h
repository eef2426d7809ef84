#pragma once

#include <QString>

class QWidget;

// The open-file dialog and the display title of a file.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    /// Shows a modal open-file dialog. Returns the chosen file's full path,
    /// or `previousFileName` when the user cancels.
    virtual QString showOpen(QWidget* parent, const QString& previousFileName) = 0;
    /// The name of the file without its folder, as shown to the user;
    /// empty for an empty path.
    virtual QString fileTitle(const QString& path) = 0;
};
