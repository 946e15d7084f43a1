#include "app/SaveFileDialog.h"

#include <QFileDialog>

void PrepareSaveDialog(QFileDialog& dialog, const CSaveFileRequest& request)
{
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setNameFilter(request.nameFilter);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectFile(request.fileName);
    dialog.setSizeGripEnabled(true);
}

QString AskForSavePath(QWidget* parent, const CSaveFileRequest& request)
{
    QFileDialog dialog(parent);
    PrepareSaveDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
