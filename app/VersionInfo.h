#pragma once
// The program's version texts, fixed when it is built.
#include <QString>

struct CVersionTexts {
    QString companyName;
    QString productName;
    QString versionLine;  // "Version: " and the file version
    QString legalLine;
    QString licenceNotice;
};

class CVersionInfo {
public:
    static CVersionTexts Texts();
    static QString WebAddress();
    static QString Version();           // "1.0.0"
    static QString DesktopEntryName();  // the desktop entry's name, without ".desktop"
};
