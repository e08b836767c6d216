#include "app/BuildInfo.h"

#include "io/StandardOptions.h"

namespace BuildInfo {

QString ProductTitle()
{
    return QString::fromUtf8(VEXEL_PRODUCT_TITLE);
}

QString SiteName()
{
    return QString::fromUtf8(VEXEL_SITE_NAME);
}

QString SiteAddress()
{
    return QString::fromUtf8(VEXEL_SITE_ADDRESS);
}

QString Version()
{
    return QString::fromLatin1(ProgramVersion());
}

} // namespace BuildInfo
