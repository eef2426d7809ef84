#pragma once

#include "platform/file_chooser.h"

// The toolkit's open-file dialog.
class DialogFileChooser final : public FileChooser
{
public:
    QString showOpen(QWidget* parent, const QString& previousFileName) override;
    QString fileTitle(const QString& path) override;
};
