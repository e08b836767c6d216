#pragma once

#include <QString>

// The names the program shows, set when it is built (VEXEL_PRODUCT_TITLE,
// VEXEL_SITE_NAME, VEXEL_SITE_ADDRESS in app/CMakeLists.txt), and its
// version, the project's.
namespace BuildInfo {

QString ProductTitle();
QString SiteName();
QString SiteAddress();
QString Version();

} // namespace BuildInfo
