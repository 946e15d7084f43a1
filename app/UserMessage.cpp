#include "app/UserMessage.h"

QMessageBox* ShowUserMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                             const QString& objectName)
{
    auto* box = new QMessageBox(icon, "Vantrel", text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(objectName);
    box->open();
    return box;
}
