#pragma once
// "About Vantrel": the picture with the product name, version, legal line
// and licence notice drawn over it, and a link to the maker's web site.
// Shown modally; closes with Enter, Escape or the close box.
#include <QDialog>

#include "app/AboutArtwork.h"

class CHyperlinkStatic;

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent = nullptr);

    CHyperlinkStatic* Link() const { return link; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitLink();

    CAboutArtwork artwork;
    CHyperlinkStatic* link = nullptr;
};
