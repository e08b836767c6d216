#pragma once

#include <QString>
#include <QtGlobal>

// A count as the program shows it to the user, in every window, dialog and
// status text: whole, with the Chinese locale's group separator
// ("3,000,000").
QString CountText(qint64 count);
