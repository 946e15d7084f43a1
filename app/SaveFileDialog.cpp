#include "app/SaveFileDialog.h"

#include <QFileDialog>

QString AskForSavePath(QWidget* parent, const CSaveFileRequest& request)
{
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setNameFilter(request.nameFilter);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectFile(request.fileName);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
