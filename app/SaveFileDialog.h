#pragma once
// Where a command saves a file: a "save as" dialog by default, or whatever a
// test puts in its place.
#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

// Asks for the path to save to; empty means the user cancelled.
using CSavePathChooser = std::function<QString(QWidget* parent)>;

struct CSaveFileRequest {
    QString title;
    QString nameFilter;     // "CSV Files (*.csv)"
    QString defaultSuffix;  // added to a name typed without one
    QString fileName;       // offered at first
};

// Makes dialog a save dialog for request, which asks before it replaces a
// file that exists.
void PrepareSaveDialog(QFileDialog& dialog, const CSaveFileRequest& request);
// Such a dialog: the path chosen, or empty when the user cancelled.
QString AskForSavePath(QWidget* parent, const CSaveFileRequest& request);
