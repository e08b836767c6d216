#pragma once

#include <QString>
#include <QtGlobal>

// A count as the program shows it to the user, in every window, dialog,
// message and status text: whole, with the Chinese locale's group separator
// ("3,000,000"). Files and the command-line tools' reports keep plain digits.
QString CountText(qint64 count);
