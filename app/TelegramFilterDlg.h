#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;

// Asks for the text that a telegram's index field must contain to be shown.
// The caller sets filterText before exec() and reads it after OK.
class CTelegramFilterDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { kOk = 1, kCancel = 2, kFilterEdit = 1017 };

    explicit CTelegramFilterDlg(const QString& initialText, QWidget* parent = nullptr);

    QString filterText;

    void accept() override;

private:
    QLineEdit* filterEdit;
};
