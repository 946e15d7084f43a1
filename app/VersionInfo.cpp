#include "app/VersionInfo.h"

#include "BuildInfo.h"

CVersionTexts CVersionInfo::Texts()
{
    CVersionTexts texts;
    texts.companyName = QStringLiteral(VANTREL_COMPANY_NAME);
    texts.productName = QStringLiteral(VANTREL_PRODUCT_NAME);
    texts.versionLine = QStringLiteral("Version: ") + Version();
    texts.legalLine = QStringLiteral(VANTREL_LEGAL_LINE);
    texts.licenceNotice = QStringLiteral(
        "Licensed for testing and monitoring the telegrams of the positioning "
        "system it was supplied with. It only listens to the serial line. "
        "Provided as it is, without warranty of any kind; do not rely on it "
        "alone for the safety of a vessel.");
    return texts;
}

QString CVersionInfo::WebAddress()
{
    return QStringLiteral(VANTREL_WEB_ADDRESS);
}

QString CVersionInfo::Version()
{
    return QStringLiteral(VANTREL_FILE_VERSION);
}

QString CVersionInfo::DesktopEntryName()
{
    return QStringLiteral(VANTREL_APP_ID);
}
