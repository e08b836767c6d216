#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The search settings record with its start defaults (the values used when
// the settings file lacks a key). The member name and password belong to the
// download and have no effect on the search.
struct TRegOptions
{
    QString userName;
    QString userPW;
    qint32 LinedDistMinSe = 0;
    qint32 LinedDistMaxSe = 3;
    qint32 LinedPtMinSe = 2;
    qint32 LinedPtMaxSe = 3;
    bool ClearDupChk = false;
    bool RefSumChk = false;
    qint32 InterMinSe = 1;
    qint32 InterMaxSe = 4;
    qint32 MaxYOfSecSe = 1;
    qint32 RefWidthSe = 0;
    bool RefTailChk = true;
    bool FallTargetAnyChk = true;
    qint32 SecCountSe = 6;
    qint32 SumContrastGbx = 0;
    qint32 FallTargetGbx = 0;
    qint32 FallStyleGbx = 0;
    // The stored bytes of the member name and password when they are not
    // valid text (a damaged or foreign settings file), empty otherwise:
    // saving writes them back unchanged while the text read from them is.
    QByteArray userNameBytes;
    QByteArray userPWBytes;

    bool operator==(const TRegOptions &) const = default;
};
