#pragma once
#include <QMessageBox>
#include <QString>

class QWidget;

// Tells the user something with an OK box that does not block the caller:
// the reader goes on delivering telegrams while the box is up. The box is
// modal to its window and deletes itself when closed. objectName lets a
// caller (or a test) find it among the window's children.
QMessageBox* ShowUserMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                             const QString& objectName = QStringLiteral("userMessage"));
