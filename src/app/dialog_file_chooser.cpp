#include "app/dialog_file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>

QString DialogFileChooser::showOpen(QWidget* parent, const QString& previousFileName)
{
    // The dialog never changes the process's working directory, which
    // the companion mailer file depends on.
    const QString chosen = QFileDialog::getOpenFileName(parent, QString(), previousFileName);
    return chosen.isEmpty() ? previousFileName : chosen;
}

QString DialogFileChooser::fileTitle(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).fileName();
}
